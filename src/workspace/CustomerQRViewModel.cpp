#include "workspace/CustomerQRViewModel.h"

#include "platform/DefaultsKeys.h"
#include "qr/DynamicQRProfile.h"
#include "qr/QREndpoints.h"
#include "text/Unicode.h"
#include "util/Whitespace.h"

#include <algorithm>

namespace halvora::workspace {

namespace keys = platform::DefaultsKeys;
using snippets::Snippet;

namespace {

/// Host (and port) of a base URL such as "https://img.vietqr.io/prefix".
std::string hostOf(std::string_view url) {
    if (const std::size_t scheme = url.find("://"); scheme != std::string_view::npos) {
        url.remove_prefix(scheme + 3);
    }
    return std::string(url.substr(0, url.find('/')));
}

}  // namespace

CustomerQRViewModel::CustomerQRViewModel(snippets::SnippetStore& store,
                                         platform::UserDefaults& defaults,
                                         EditSnippet onEditSnippet)
    : store_(store), defaults_(defaults), onEditSnippet_(std::move(onEditSnippet)) {
    storeConnection_ = store_.observe([this] { notify(); });
}

std::optional<platform::DefaultsValue> CustomerQRViewModel::shown(std::string_view key) const {
    if (const auto it = unsaved_.find(key); it != unsaved_.end()) {
        return it->second;
    }
    return defaults_.object(key);
}

std::string CustomerQRViewModel::value(std::string_view key) const {
    const std::optional<platform::DefaultsValue> stored = shown(key);
    const std::string* text = stored ? std::get_if<std::string>(&*stored) : nullptr;
    return text ? *text : std::string();
}

std::string CustomerQRViewModel::bankID() const {
    return value(keys::qrBankID);
}
std::string CustomerQRViewModel::accountNumber() const {
    return value(keys::qrAccountNumber);
}
std::string CustomerQRViewModel::accountName() const {
    return value(keys::qrAccountName);
}
std::string CustomerQRViewModel::amount() const {
    return value(keys::qrAmount);
}
std::string CustomerQRViewModel::defaultMemo() const {
    return value(keys::qrDefaultMemo);
}

bool CustomerQRViewModel::randomMemo() const {
    const std::optional<platform::DefaultsValue> stored = shown(keys::qrRandomMemo);
    const bool* on = stored ? std::get_if<bool>(&*stored) : nullptr;
    return on ? *on : true;
}

std::optional<std::string_view> CustomerQRViewModel::saveError() const {
    if (unsaved_.empty()) {
        return std::nullopt;
    }
    return saveFailedText;
}

void CustomerQRViewModel::save(std::string_view key, platform::DefaultsValue value) {
    unsaved_.insert_or_assign(std::string(key), std::move(value));
    std::vector<platform::DefaultsChange> changes;
    changes.reserve(unsaved_.size());
    for (const auto& [unsavedKey, unsavedValue] : unsaved_) {
        changes.push_back({unsavedKey, unsavedValue});
    }
    try {
        defaults_.apply(changes);
    } catch (const platform::DefaultsSaveError&) {
        return;  // kept in unsaved_; the defaults logged why
    }
    unsaved_.clear();
}

void CustomerQRViewModel::setBankID(std::string value) {
    setString(keys::qrBankID, std::move(value));
    accountChanged();
}

void CustomerQRViewModel::setAccountNumber(std::string value) {
    setString(keys::qrAccountNumber, std::move(value));
    accountChanged();
}

void CustomerQRViewModel::setAccountName(std::string value) {
    setString(keys::qrAccountName, std::move(value));
    accountChanged();
}

void CustomerQRViewModel::setAmount(std::string value) {
    setString(keys::qrAmount, std::move(value));
}

void CustomerQRViewModel::setDefaultMemo(std::string value) {
    setString(keys::qrDefaultMemo, std::move(value));
}

void CustomerQRViewModel::setRandomMemo(bool on) {
    save(keys::qrRandomMemo, on);
    notify();
}

void CustomerQRViewModel::setValue(std::string_view key, std::string value) {
    if (key == keys::qrBankID) {
        setBankID(std::move(value));
    } else if (key == keys::qrAccountNumber) {
        setAccountNumber(std::move(value));
    } else if (key == keys::qrAccountName) {
        setAccountName(std::move(value));
    } else if (key == keys::qrAmount) {
        setAmount(std::move(value));
    } else if (key == keys::qrDefaultMemo) {
        setDefaultMemo(std::move(value));
    }
}

void CustomerQRViewModel::setString(std::string_view key, std::string value) {
    save(key, std::move(value));
    notify();
}

void CustomerQRViewModel::accountChanged() {
    store_.enableLegacyVCBQIfConfigured(qr::DynamicQRProfile::load(defaults_));
}

bool CustomerQRViewModel::isAccountConfigured() const {
    // What is stored, not what is typed but unsaved: the mark says a paste can use it.
    const auto filled = [this](std::string_view key) {
        return !util::trimWhitespaceAndNewlines(defaults_.stringValue(key).value_or("")).empty();
    };
    return filled(keys::qrBankID) && filled(keys::qrAccountNumber) && filled(keys::qrAccountName);
}

std::vector<Snippet> CustomerQRViewModel::dynamicSnippets() const {
    std::vector<Snippet> found;
    std::copy_if(store_.snippets().begin(), store_.snippets().end(), std::back_inserter(found),
                 [](const Snippet& s) { return s.isDynamicQR(); });
    return found;
}

std::string CustomerQRViewModel::rowTitle(const Snippet& snippet) {
    return snippet.title.empty() ? std::string(untitledRow) : snippet.title;
}

void CustomerQRViewModel::editSnippet(const util::Uuid& id) {
    if (onEditSnippet_) {
        onEditSnippet_(id);
    }
}

std::optional<std::size_t> CustomerQRViewModel::existingVCBQIndex() const {
    const std::vector<Snippet>& snippets = store_.snippets();
    for (std::size_t i = 0; i < snippets.size(); ++i) {
        if (text::lowercased(snippets::trimSemicolons(snippets[i].trigger)) == "vcbq") {
            return i;
        }
    }
    return std::nullopt;
}

bool CustomerQRViewModel::canEnableExistingVCBQ() const {
    const std::optional<std::size_t> index = existingVCBQIndex();
    return index && !store_.snippets()[*index].isDynamicQR();
}

bool CustomerQRViewModel::enableExistingVCBQ() {
    if (!canEnableExistingVCBQ()) {
        return false;
    }
    const util::Uuid id = store_.snippets()[*existingVCBQIndex()].id;
    // update() saves at once; a failed save is logged by the store.
    return store_.update(id, [](Snippet& s) { s.dynamicQR = true; });
}

std::string CustomerQRViewModel::nextTrigger(const std::vector<Snippet>& snippets) {
    const bool vcbqTaken = std::ranges::any_of(
        snippets, [](const Snippet& snippet) { return snippet.hasNormalizedCode(";vcbq"); });
    return vcbqTaken ? snippets::nextFreeNumberedCode(snippets, ";qr") : std::string(";vcbq");
}

util::Uuid CustomerQRViewModel::addDynamicSnippet() {
    Snippet snippet;
    snippet.trigger = nextTrigger(store_.snippets());
    snippet.title = std::string(newSnippetTitle);
    snippet.dynamicQR = true;
    const util::Uuid id = snippet.id;
    // append() saves at once; a failed save is logged by the store.
    store_.append(std::move(snippet));
    editSnippet(id);
    return id;
}

void CustomerQRViewModel::setShowDetails(bool open) {
    showDetails_ = open;
    notify();
}

std::string CustomerQRViewModel::privacyNote() const {
    const qr::QREndpoints endpoints = qr::QREndpoints::load(defaults_);
    const std::string service = endpoints.imageURL == qr::QREndpoints::defaultImageURL
                                    ? std::string("VietQR (img.vietqr.io)")
                                    : hostOf(endpoints.imageURL);
    return "Thông tin tài khoản và nội dung chuyển khoản (nếu có) được gửi qua HTTPS tới " +
           service + " để lấy ảnh QR.";
}

}  // namespace halvora::workspace
