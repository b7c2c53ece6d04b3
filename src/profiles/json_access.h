#pragma once

// Guarded access to documents read from files. jsoncpp throws when a value
// has another type than the access expects (a number indexed like an object,
// a string read as an integer); documents from disk may have any shape, so
// every read of a profile goes through these helpers instead.

#include <json/value.h>

#include <cstdint>
#include <string>

namespace profiles::json {

// Read side: never throw, never change the document.
// The member, or null when the value is not an object or lacks it.
const Json::Value& Get(const Json::Value& value, const char* key);
// The element, or null when the value is not an array or is shorter.
const Json::Value& At(const Json::Value& value, uint64_t index);
// Element count of an array, 0 for anything else.
uint32_t Size(const Json::Value& value);

// Numbers, booleans as 0/1; anything else (null, text, containers,
// non-finite or out-of-range reals) as 0.
int64_t Int(const Json::Value& value);
// Int cut to the width of a device field, as the records store them.
inline uint8_t U8(const Json::Value& value) {
    return static_cast<uint8_t>(Int(value));
}
inline uint16_t U16(const Json::Value& value) {
    return static_cast<uint16_t>(Int(value));
}
// Non-zero numbers and true.
bool Bool(const Json::Value& value);
// Text, or empty for anything else.
std::string Text(const Json::Value& value);

// Write side: the container is made an object (or array) first when it is
// anything else; what it held had the wrong shape and carries nothing.
Json::Value& Member(Json::Value& value, const char* key);
// Grows the array to index + 1; callers bound the index.
Json::Value& Element(Json::Value& value, uint32_t index);
// Makes the value an object unless it is one.
Json::Value& AsObject(Json::Value& value);

}  // namespace profiles::json
