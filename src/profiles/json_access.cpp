#include "profiles/json_access.h"

#include <cmath>

namespace profiles::json {

namespace {

const Json::Value& Null() {
    static const Json::Value kNull;
    return kNull;
}

}  // namespace

const Json::Value& Get(const Json::Value& value, const char* key) {
    if (!value.isObject()) {
        return Null();
    }
    const Json::Value* member = value.find(key, key + std::char_traits<char>::length(key));
    return member != nullptr ? *member : Null();
}

const Json::Value& At(const Json::Value& value, uint64_t index) {
    if (!value.isArray() || index >= value.size()) {
        return Null();
    }
    return value[static_cast<Json::ArrayIndex>(index)];
}

uint32_t Size(const Json::Value& value) {
    return value.isArray() ? value.size() : 0;
}

int64_t Int(const Json::Value& value) {
    switch (value.type()) {
        case Json::intValue:
            return value.asInt64();
        case Json::uintValue:
            return static_cast<int64_t>(value.asUInt64());
        case Json::realValue: {
            const double d = value.asDouble();
            // Beyond ±2^63 the conversion is undefined; such a value means nothing here.
            if (!std::isfinite(d) || d >= 9.2e18 || d <= -9.2e18) {
                return 0;
            }
            return static_cast<int64_t>(d);
        }
        case Json::booleanValue:
            return value.asBool() ? 1 : 0;
        default:
            return 0;
    }
}

bool Bool(const Json::Value& value) {
    if (value.isBool()) {
        return value.asBool();
    }
    if (value.isDouble()) {
        return value.asDouble() != 0.0;
    }
    return Int(value) != 0;
}

std::string Text(const Json::Value& value) {
    return value.isString() ? value.asString() : "";
}

Json::Value& AsObject(Json::Value& value) {
    if (!value.isObject()) {
        value = Json::Value(Json::objectValue);
    }
    return value;
}

Json::Value& Member(Json::Value& value, const char* key) {
    return AsObject(value)[key];
}

Json::Value& Element(Json::Value& value, uint32_t index) {
    if (!value.isArray()) {
        value = Json::Value(Json::arrayValue);
    }
    return value[index];
}

}  // namespace profiles::json
