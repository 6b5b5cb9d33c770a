#include "engine/InputMethod.h"

namespace halvora::engine {

std::string_view rawValue(InputMethod method) {
    switch (method) {
        case InputMethod::telex:
            return "Telex";
        case InputMethod::vni:
            return "VNI";
    }
    return "Telex";
}

std::optional<InputMethod> inputMethodFromRawValue(std::string_view raw) {
    for (InputMethod method : allInputMethods) {
        if (rawValue(method) == raw) {
            return method;
        }
    }
    return std::nullopt;
}

}  // namespace halvora::engine
