#include "qr/DynamicQR.h"

#include "qr/QRServiceError.h"

namespace halvora::qr::DynamicQR {

QRRequest request(const DynamicQRProfile& profile, const std::string& memo) {
    return {profile.bankID, profile.accountNumber, profile.accountName, profile.amount, memo};
}

DynamicQRContent prepare(const DynamicQRProfile& profile, const std::string& memo,
                         const QRServicePorts& ports, const QREndpoints& endpoints) {
    const GeneratedQR generated = QRService::generate(request(profile, memo), ports, endpoints);
    std::optional<platform::Image> image = ports.imageCodec.decode(generated.png);
    if (!image) {
        throw QRServiceError::invalidImage();
    }
    return {std::move(*image), memo};
}

}  // namespace halvora::qr::DynamicQR
