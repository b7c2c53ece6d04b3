#pragma once

// The program's own control classes, registered with the UI library's control
// factory so layouts can name them. One table, in registration order; a class
// whose code is not in the program yet has no create function and is left out.

#include <span>
#include <string_view>

#include "ui/builder.h"

namespace app {

struct ControlClassRow {
    std::string_view name;
    ui::CControlFactory::CreateFn create;  // null: not built yet
};

std::span<const ControlClassRow> ControlClassTable();

// Registers every row that has a create function; returns how many.
int RegisterControlClasses();

}  // namespace app
