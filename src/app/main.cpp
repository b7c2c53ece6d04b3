#include "app/quillon_main.h"

int main() {
    return app::QuillonMain();
}
