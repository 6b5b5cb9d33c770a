#include "workspace/TextMatching.h"

#include "text/Unicode.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>
#include <string>

namespace halvora::workspace::TextMatching {

namespace {

std::string comparable(std::string_view text) {
    return text::lowercased(text::toNFC(text), "vi_VN");
}

/// One collator for the life of the process: creating one is expensive and
/// the pages run on the main queue only.
icu::Collator* collator() {
    static const std::unique_ptr<icu::Collator> instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(
            icu::Collator::createInstance(icu::Locale("vi", "VN"), status));
        if (U_FAILURE(status) || !made) {
            return std::unique_ptr<icu::Collator>();
        }
        made->setStrength(icu::Collator::SECONDARY);
        made->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        return made;
    }();
    return instance.get();
}

}  // namespace

bool containsIgnoringCase(std::string_view text, std::string_view query) {
    if (query.empty()) {
        return true;
    }
    return comparable(text).find(comparable(query)) != std::string::npos;
}

bool standardLess(std::string_view a, std::string_view b) {
    if (icu::Collator* c = collator()) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult order =
            c->compare(icu::UnicodeString::fromUTF8(icu::StringPiece(a.data(), a.size())),
                       icu::UnicodeString::fromUTF8(icu::StringPiece(b.data(), b.size())), status);
        if (U_SUCCESS(status) && order != UCOL_EQUAL) {
            return order == UCOL_LESS;
        }
    }
    return a < b;
}

}  // namespace halvora::workspace::TextMatching
