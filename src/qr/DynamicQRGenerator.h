#pragma once

#include "input/DynamicQRSource.h"
#include "platform/BarcodeReader.h"
#include "platform/HttpClient.h"
#include "platform/ImageCodec.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"
#include "platform/WorkerQueue.h"
#include "qr/WishGenerator.h"

#include <string>

namespace halvora::qr {

/// The keyboard controller's source of transfer-QR images: the greeting
/// rotation for memos, and the preparation run on the worker queue with its
/// result handed back on the main queue.
///
/// Every port must outlive this object and any generation still running; the
/// generation itself holds no reference to this object, so it may go away
/// while one runs.
class DynamicQRGenerator final : public input::DynamicQRSource {
  public:
    struct Ports {
        platform::UserDefaults& userDefaults;
        platform::WorkerQueue& workerQueue;
        platform::MainQueue& mainQueue;
        platform::HttpClient& httpClient;
        const platform::ImageCodec& imageCodec;
        const platform::BarcodeReader& barcodeReader;
    };

    explicit DynamicQRGenerator(Ports ports);
    /// With the shuffle's randomness supplied (tests).
    DynamicQRGenerator(Ports ports, WishGenerator::RandomIndex randomIndex);

    /// Main queue only: advances the rotation stored in the user defaults.
    std::string nextWishMemo() override;

    /// Main queue only. The endpoints are read from the user defaults now;
    /// the completion runs later on the main queue with the verified PNG or
    /// the error's description (the Vietnamese sentence of a QR error, the
    /// platform's own text for a transport or reader failure).
    void prepare(const DynamicQRProfile& profile, const std::string& memo,
                 Completion completion) override;

  private:
    Ports ports_;
    WishGenerator::RandomIndex randomIndex_;
};

}  // namespace halvora::qr
