#include "ui/image.h"

#include <cctype>

namespace ui {

namespace {

platform::Error Bad(std::string_view what, std::string_view text) {
    return platform::Error{"bad image description (" + std::string(what) +
                           "): " + std::string(text)};
}

}  // namespace

platform::Result<ImageDescription> ParseImageDescription(std::string_view text) {
    ImageDescription d;
    if (text.find('=') == std::string_view::npos) {
        // A bare file name.
        size_t b = text.find_first_not_of(" \t");
        size_t e = text.find_last_not_of(" \t");
        if (b != std::string_view::npos)
            d.file = NormalizePath(text.substr(b, e - b + 1));
        return d;
    }
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i >= text.size())
            break;
        size_t eq = text.find('=', i);
        if (eq == std::string_view::npos)
            return Bad("missing '='", text);
        std::string key = ToLower(text.substr(i, eq - i));
        while (!key.empty() && std::isspace(static_cast<unsigned char>(key.back())))
            key.pop_back();
        i = eq + 1;
        if (i >= text.size() || (text[i] != '\'' && text[i] != '"')) {
            return Bad("value of '" + key + "' is not quoted", text);
        }
        char quote = text[i++];
        size_t end = text.find(quote, i);
        if (end == std::string_view::npos)
            return Bad("unterminated value", text);
        std::string_view value = text.substr(i, end - i);
        i = end + 1;
        if (key == "file" || key == "res") {
            d.file = NormalizePath(value);
        } else if (key == "restype") {
            d.resType = std::string(value);
        } else if (key == "dest" || key == "source" || key == "corner") {
            auto r = ParseRect(value);
            if (!r)
                return Bad("'" + key + "' needs l,t,r,b", text);
            (key == "dest" ? d.dest : key == "source" ? d.source : d.corner) = *r;
        } else if (key == "mask") {
            auto c = ParseColor(value);
            if (!c)
                return Bad("'mask' needs a colour", text);
            d.mask = *c;
        } else if (key == "fade") {
            auto v = ParseInt(value);
            if (!v || *v < 0 || *v > 255)
                return Bad("'fade' needs 0..255", text);
            d.fade = static_cast<uint8_t>(*v);
        } else if (key == "hole" || key == "xtiled" || key == "ytiled") {
            auto b = ParseBool(value);
            if (!b)
                return Bad("'" + key + "' needs true or false", text);
            (key == "hole" ? d.hole : key == "xtiled" ? d.xTiled : d.yTiled) = *b;
        } else {
            return Bad("unknown key '" + key + "'", text);
        }
    }
    return d;
}

}  // namespace ui
