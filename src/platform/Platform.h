#pragma once

#include "platform/Accessibility.h"
#include "platform/Alerts.h"
#include "platform/BarcodeReader.h"
#include "platform/DesktopWords.h"
#include "platform/HotKeys.h"
#include "platform/HttpClient.h"
#include "platform/ImageCodec.h"
#include "platform/KeyEventTap.h"
#include "platform/KeyboardState.h"
#include "platform/Log.h"
#include "platform/LoginItems.h"
#include "platform/MainQueue.h"
#include "platform/Pasteboard.h"
#include "platform/TextOutput.h"
#include "platform/UserDefaults.h"
#include "platform/WorkerQueue.h"
#include "platform/Workspace.h"

namespace halvora::platform {

/// Every port, handed as one bundle to the long-lived objects of the core.
/// The adapter that fills it owns the implementations and outlives the
/// objects that use them.
struct Platform {
    KeyEventTap& eventTap;
    TextOutput& textOutput;
    KeyboardState& keyboardState;
    Accessibility& accessibility;
    Workspace& workspace;
    Pasteboard& pasteboard;
    MainQueue& mainQueue;
    WorkerQueue& workerQueue;
    HotKeys& hotKeys;
    LoginItems& loginItems;
    Alerts& alerts;
    HttpClient& httpClient;
    ImageCodec& imageCodec;
    BarcodeReader& barcodeReader;
    UserDefaults& userDefaults;
    Log& log;
    /// The desktop's own words in the texts the user reads.
    const DesktopWords& words;
};

}  // namespace halvora::platform
