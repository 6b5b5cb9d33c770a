#include "qr/DynamicQR.h"

namespace halvora::qr::DynamicQR {

QRRequest request(const DynamicQRProfile& profile, const std::string& memo) {
    return {profile.bankID, profile.accountNumber, profile.accountName, profile.amount, memo};
}

DynamicQRContent prepare(const DynamicQRProfile& profile, const std::string& memo,
                         const QRServicePorts& ports, const QREndpoints& endpoints) {
    GeneratedQR generated = QRService::generate(request(profile, memo), ports, endpoints);
    return {std::move(generated.png), memo};
}

}  // namespace halvora::qr::DynamicQR
