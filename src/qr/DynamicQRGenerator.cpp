#include "qr/DynamicQRGenerator.h"

#include "qr/DynamicQR.h"
#include "qr/PlatformFailure.h"
#include "qr/QRServiceError.h"

#include <memory>
#include <utility>

namespace halvora::qr {

DynamicQRGenerator::DynamicQRGenerator(Ports ports) : ports_(ports) {}

DynamicQRGenerator::DynamicQRGenerator(Ports ports, WishGenerator::RandomIndex randomIndex)
    : ports_(ports), randomIndex_(std::move(randomIndex)) {}

std::string DynamicQRGenerator::nextWishMemo() {
    if (randomIndex_) {
        return WishGenerator::nextPaste(ports_.userDefaults, randomIndex_).memo;
    }
    return WishGenerator::nextPaste(ports_.userDefaults).memo;
}

void DynamicQRGenerator::prepare(const DynamicQRProfile& profile, const std::string& memo,
                                 Completion completion) {
    const QREndpoints endpoints = QREndpoints::load(ports_.userDefaults);
    platform::MainQueue& mainQueue = ports_.mainQueue;
    const QRServicePorts servicePorts{ports_.httpClient, ports_.imageCodec, ports_.barcodeReader};
    ports_.workerQueue.async([profile, memo, endpoints, servicePorts, &mainQueue,
                              completion = std::move(completion)]() mutable {
        Result result;
        try {
            result.png = DynamicQR::prepare(profile, memo, servicePorts, endpoints).png;
        } catch (const QRServiceError& error) {
            result.errorDescription = error.localizedDescription();
        } catch (const PlatformFailure& failure) {
            result.errorDescription = failure.localizedDescription();
        } catch (const std::exception& error) {
            // Anything else (memory) still ends the generation, so the
            // controller never stays busy.
            result.errorDescription = error.what();
        }
        mainQueue.async([completion = std::move(completion), result = std::move(result)]() mutable {
            completion(std::move(result));
        });
    });
}

}  // namespace halvora::qr
