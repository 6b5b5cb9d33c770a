#include "engine/TextOperation.h"

#include "text/Unicode.h"

namespace halvora::engine {
namespace {

constexpr const char* kVietnamese = "vi_VN";

}  // namespace

std::string_view rawValue(TextOperation operation) {
    switch (operation) {
        case TextOperation::uppercase:
            return "CHỮ HOA";
        case TextOperation::lowercase:
            return "chữ thường";
        case TextOperation::removeAccents:
            return "Bỏ dấu";
    }
    return "CHỮ HOA";
}

std::optional<TextOperation> textOperationFromRawValue(std::string_view raw) {
    for (TextOperation operation : allTextOperations) {
        if (rawValue(operation) == raw) {
            return operation;
        }
    }
    return std::nullopt;
}

std::string apply(TextOperation operation, std::string_view input) {
    switch (operation) {
        case TextOperation::uppercase:
            return text::uppercased(input, kVietnamese);
        case TextOperation::lowercase:
            return text::lowercased(input, kVietnamese);
        case TextOperation::removeAccents:
            return text::removeVietnameseAccents(input);
    }
    return std::string(input);
}

}  // namespace halvora::engine
