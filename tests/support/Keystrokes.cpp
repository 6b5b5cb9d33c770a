#include "Keystrokes.h"

#include "engine/VowelMap.h"
#include "text/Unicode.h"

namespace halvora::testing {
namespace {

constexpr std::string_view kCorpus =
    "xin chào anh em là nhân viên bán hàng của cửa thời trang hôm nay có nhiều mẫu áo mới về "
    "chất liệu vải mềm mại thoáng mát phù hợp với tiết nóng bức mùa hè muốn xem nào thì nhắn tin "
    "cho nhé giá mỗi chiếc một trăm chín mươi nghìn đồng mua hai được giảm mười phần giao toàn "
    "quốc thanh toán khi nhận hoặc chuyển khoản qua ngân nếu cần tư vấn thêm kích thước màu sắc "
    "hay cách giặt ủi luôn sẵn sàng hỗ trợ cảm ơn đã quan tâm và tưởng sản phẩm chúng chúc ngày "
    "vui vẻ sức khoẻ thành công trong việc người rất yêu quý tiếng mẹ đẻ ngôn ngữ giàu đẹp sáu "
    "thanh điệu khác nhau trường học bệnh nhà máy gia đình bạn bè thầy cô sinh quyển sách bút bàn "
    "con đường dòng sông ngọn núi cánh đồng lúa xanh mướt bầu trời trong mặt rực rỡ ánh trăng "
    "huyền ảo những vì sao lấp lánh gió thổi nhẹ nhàng mưa rơi tí tách khuya rồi mà vẫn chưa ngủ "
    "thương nhớ quê hương khuỷu tay nguyễn huệ quyết định luật sư tuyệt vời khuyến mãi ưu đãi đặc "
    "biệt đơn địa chỉ số điện thoại tài hoá giỏ chính hãng bảo hành đổi trả miễn phí vận chuyển "
    "nhanh chóng tiện lợi an toàn uy tín lượng rẻ hoà bình thuỷ sản gì già giữa quà quả quá "
    "khoái ngoài nghiêng nghĩ nghe ngoan ngoãn xuân hạ thu đông bốn mùa nắng gắt lạnh buốt ấm áp "
    "tuổi trẻ già yếu mạnh mẽ cười nói khóc than hát múa đọc viết làm chơi ăn uống ngủ nghỉ "
    "sáng trưa chiều tối đêm hôm qua mai mốt tuần tháng năm giờ phút giây lúc khi nào đâu sao "
    "vậy thế này kia ấy đó đây bên trên dưới giữa ngoài cạnh gần xa dài ngắn cao thấp to nhỏ "
    "béo gầy đen trắng đỏ vàng xanh tím hồng nâu xám bạc vàng son phấn nước hoa túi ví giày dép "
    "mũ nón khăn găng tất quần váy đầm yếm ghế tủ giường gối chăn màn rèm cửa sổ bếp lò nồi "
    "chảo bát đũa thìa dĩa cốc chén ấm trà cà phê sữa bánh kẹo mứt thịt cá tôm cua mực rau củ "
    "quả trứng gạo muối đường mắm dầu giấm ớt tỏi hành gừng nghệ chanh cam quýt bưởi xoài mít "
    "dứa chuối nhãn vải ổi táo lê đào mận";

void appendKeysOf(std::string& out, char32_t c, bool vni, int& tone) {
    using engine::VowelMap::base;
    using engine::VowelMap::toneIndex;
    using engine::VowelMap::withTone;
    if (const int t = toneIndex(c); t != 0) {
        tone = t;
        c = withTone(c, 0);
    }
    const bool upper = text::isUpperForm(c) && text::isLetter(c);
    auto letter = [&](char ascii) {
        out.push_back(upper ? static_cast<char>(ascii - 'a' + 'A') : ascii);
    };
    const char32_t b = base(c);
    struct Spelling {
        char32_t base;
        char letter;
        const char* telex;
        const char* vni;
    };
    static constexpr Spelling spellings[] = {
        {U'đ', 'd', "d", "9"}, {U'â', 'a', "a", "6"}, {U'ê', 'e', "e", "6"}, {U'ô', 'o', "o", "6"},
        {U'ă', 'a', "w", "8"}, {U'ơ', 'o', "w", "7"}, {U'ư', 'u', "w", "7"},
    };
    for (const Spelling& s : spellings) {
        if (s.base == b) {
            letter(s.letter);
            const char* key = vni ? s.vni : s.telex;
            // A doubled letter keeps the word's case; w and digits have none to keep.
            if (key[0] >= 'a' && key[0] <= 'z' && key[0] != 'w') {
                letter(key[0]);
            } else {
                out += key;
            }
            return;
        }
    }
    text::appendUtf8(out, c);
}

std::string keysFor(std::string_view word, bool vni) {
    std::string out;
    int tone = 0;
    for (char32_t c : text::toUtf32(word)) {
        appendKeysOf(out, c, vni, tone);
    }
    if (tone != 0) {
        out += vni ? static_cast<char>('0' + tone) : "sfrxj"[tone - 1];
    }
    return out;
}

}  // namespace

std::string telexKeys(std::string_view word) {
    return keysFor(word, false);
}

std::string vniKeys(std::string_view word) {
    return keysFor(word, true);
}

const std::vector<std::string>& vietnameseWords() {
    static const std::vector<std::string> words = [] {
        std::vector<std::string> out;
        std::size_t start = 0;
        while (start < kCorpus.size()) {
            std::size_t end = kCorpus.find(' ', start);
            if (end == std::string_view::npos) {
                end = kCorpus.size();
            }
            if (end > start) {
                out.emplace_back(kCorpus.substr(start, end - start));
            }
            start = end + 1;
        }
        return out;
    }();
    return words;
}

}  // namespace halvora::testing
