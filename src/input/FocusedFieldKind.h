#pragma once

namespace halvora::input {

/// What kind of field has the keyboard focus. Only `ordinary` fields get
/// Vietnamese composition and the paste tools.
enum class FocusedFieldKind {
    /// Input and pasting work normally; also the answer whenever the focused
    /// element cannot be read.
    ordinary,
    /// A secure text field, or a field whose labels name card or security data.
    sensitive,
    /// Inside a browser: a search field, or a text field whose labels name the
    /// address or search bar.
    addressBar,
};

}  // namespace halvora::input
