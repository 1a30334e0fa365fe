// Values crossing between the page and the module: the few conversions every
// binding file needs.
#pragma once

#include <emscripten/val.h>

#include <cstdint>
#include <string>
#include <vector>

#include "web/WebFiles.h"

namespace pictorel::web {

// A JS object (not null); this emscripten's val has no isObject.
inline bool IsObject(const emscripten::val& value) {
    return !value.isNull() && value.typeOf().as<std::string>() == "object";
}

inline std::vector<std::uint8_t> BytesOf(const emscripten::val& array) {
    return emscripten::convertJSArrayToNumberVector<std::uint8_t>(array);
}

// A view of `bytes`, which the caller keeps alive until the page has copied it.
inline emscripten::val ViewOf(const std::vector<std::uint8_t>& bytes) {
    return emscripten::val(emscripten::typed_memory_view(bytes.size(), bytes.data()));
}

// {ok: false, message, cause}, the files named as the page names them.
inline emscripten::val Failure(const std::string& message, const std::string& cause) {
    emscripten::val out = emscripten::val::object();
    out.set("ok", false);
    out.set("message", AsThePageNamesIt(message));
    out.set("cause", AsThePageNamesIt(cause));
    return out;
}

}  // namespace pictorel::web
