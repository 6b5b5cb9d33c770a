#include "engine/VowelMap.h"

#include "text/Unicode.h"

namespace halvora::engine {

std::string_view shapeName(Shape shape) {
    switch (shape) {
        case Shape::circumflex:
            return "circumflex";
        case Shape::horn:
            return "horn";
        case Shape::breve:
            return "breve";
        case Shape::hornOrBreve:
            return "hornOrBreve";
    }
    return "hornOrBreve";
}

std::optional<Shape> shapeFromName(std::string_view name) {
    for (Shape shape : {Shape::circumflex, Shape::horn, Shape::breve, Shape::hornOrBreve}) {
        if (shapeName(shape) == name) {
            return shape;
        }
    }
    return std::nullopt;
}

namespace VowelMap::detail {

bool isUpperFormSlow(char32_t c) {
    return text::isUpperForm(c);
}

char32_t lowerSlow(char32_t c) {
    return text::lowerChar(c);
}

char32_t upperSlow(char32_t c) {
    return text::upperChar(c);
}

}  // namespace VowelMap::detail
}  // namespace halvora::engine
