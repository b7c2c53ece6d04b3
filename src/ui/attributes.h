#pragma once
// One attribute table per control class. A class looks its attribute up in its
// own table and hands anything else to its base class.
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ui/base.h"
#include "ui/image.h"

namespace ui {

enum class AttrResult { Ok, Unknown, BadValue };

template <class T>
class AttributeTable {
public:
    // A setter returns false when the value is not valid for the attribute.
    using Setter = bool (*)(T&, std::string_view);
    AttributeTable(std::initializer_list<std::pair<const char*, Setter>> rows) {
        for (const auto& [name, fn] : rows)
            m_rows.emplace(ToLower(name), fn);
    }
    // Unknown when the name is not in this table.
    AttrResult Apply(T& control, std::string_view name, std::string_view value) const {
        auto it = m_rows.find(ToLower(name));
        if (it == m_rows.end())
            return AttrResult::Unknown;
        return it->second(control, value) ? AttrResult::Ok : AttrResult::BadValue;
    }

private:
    std::unordered_map<std::string, Setter> m_rows;
};

// Helpers for table rows.
template <class Fn>
bool WithInt(std::string_view v, Fn fn) {
    auto i = ParseInt(v);
    if (!i)
        return false;
    fn(*i);
    return true;
}
// A size or a count: a whole number that is not negative.
template <class Fn>
bool WithCount(std::string_view v, Fn fn) {
    auto i = ParseInt(v);
    if (!i || *i < 0)
        return false;
    fn(*i);
    return true;
}
template <class Fn>
bool WithBool(std::string_view v, Fn fn) {
    auto b = ParseBool(v);
    if (!b)
        return false;
    fn(*b);
    return true;
}
template <class Fn>
bool WithColor(std::string_view v, Fn fn) {
    auto c = ParseColor(v);
    if (!c)
        return false;
    fn(*c);
    return true;
}
template <class Fn>
bool WithImage(std::string_view v, Fn fn) {
    auto d = ParseImageDescription(v);
    if (!d)
        return false;
    fn(std::move(*d));
    return true;
}
template <class Fn>
bool WithRect(std::string_view v, Fn fn) {
    auto r = ParseRect(v);
    if (!r)
        return false;
    fn(*r);
    return true;
}

}  // namespace ui
