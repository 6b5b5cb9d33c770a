#include "BankDirectory.h"

#include <nlohmann/json.hpp>

namespace halvora::testbed {

const std::vector<Bank>& vietnameseBanks() {
    static const std::vector<Bank> banks = {
        {"VCB", "970436", "Vietcombank", "Ngân hàng TMCP Ngoại Thương Việt Nam"},
        {"ICB", "970415", "VietinBank", "Ngân hàng TMCP Công thương Việt Nam"},
        {"BIDV", "970418", "BIDV", "Ngân hàng TMCP Đầu tư và Phát triển Việt Nam"},
        {"VBA", "970405", "Agribank", "Ngân hàng Nông nghiệp và Phát triển Nông thôn Việt Nam"},
        {"TCB", "970407", "Techcombank", "Ngân hàng TMCP Kỹ thương Việt Nam"},
        {"MB", "970422", "MBBank", "Ngân hàng TMCP Quân đội"},
        {"ACB", "970416", "ACB", "Ngân hàng TMCP Á Châu"},
        {"VPB", "970432", "VPBank", "Ngân hàng TMCP Việt Nam Thịnh Vượng"},
        {"TPB", "970423", "TPBank", "Ngân hàng TMCP Tiên Phong"},
        {"STB", "970403", "Sacombank", "Ngân hàng TMCP Sài Gòn Thương Tín"},
        {"HDB", "970437", "HDBank", "Ngân hàng TMCP Phát triển Thành phố Hồ Chí Minh"},
        {"VIB", "970441", "VIB", "Ngân hàng TMCP Quốc tế Việt Nam"},
        {"SHB", "970443", "SHB", "Ngân hàng TMCP Sài Gòn - Hà Nội"},
        {"MSB", "970426", "MSB", "Ngân hàng TMCP Hàng Hải"},
        {"EIB", "970431", "Eximbank", "Ngân hàng TMCP Xuất Nhập khẩu Việt Nam"},
        {"SEAB", "970440", "SeABank", "Ngân hàng TMCP Đông Nam Á"},
        {"OCB", "970448", "OCB", "Ngân hàng TMCP Phương Đông"},
    };
    return banks;
}

const Bank* bankWithBin(std::string_view bin) {
    for (const auto& bank : vietnameseBanks()) {
        if (bank.bin == bin) {
            return &bank;
        }
    }
    return nullptr;
}

std::string bankDirectoryJson(std::string_view code, bool binAsNumber) {
    nlohmann::json data = nlohmann::json::array();
    int id = 1;
    for (const auto& bank : vietnameseBanks()) {
        nlohmann::json entry = {
            {"id", id++},
            {"name", bank.name},
            {"code", bank.code},
            {"shortName", bank.shortName},
            {"logo", "https://img.example.invalid/" + bank.code + ".png"},
            {"transferSupported", 1},
            {"lookupSupported", 1},
        };
        if (binAsNumber) {
            entry["bin"] = std::stoi(bank.bin);
        } else {
            entry["bin"] = bank.bin;
        }
        data.push_back(std::move(entry));
    }
    const nlohmann::json document = {
        {"code", code},
        {"desc", "Get Bank list successful! Total " + std::to_string(data.size()) + " banks"},
        {"data", std::move(data)},
    };
    return document.dump();
}

}  // namespace halvora::testbed
