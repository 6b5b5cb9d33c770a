#pragma once

// The greeting rotation used as the transfer memo when the profile asks for
// a fresh one per paste: 30 fixed phrases in a shuffled order, each used once
// before any comes again. The rotation lives in the user defaults, so it
// survives restarts.

#include "platform/UserDefaults.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace halvora::qr::WishGenerator {

inline constexpr std::array<std::string_view, 30> wishes = {
    "Chúc mừng sinh nhật", "Phát tài phát lộc",    "Vạn sự như ý",        "An khang thịnh vượng",
    "Tấn tài tấn lộc",     "May mắn mỗi ngày",     "Luôn vui vẻ",         "Bình an nhé",
    "Cười thật nhiều",     "Mọi điều suôn sẻ",     "Ngày mới tốt lành",   "Hạnh phúc đong đầy",
    "Chúc nhiều niềm vui", "Công việc hanh thông", "Thuận buồm xuôi gió", "Thành công rực rỡ",
    "Tâm an vạn sự an",    "Luôn gặp điều lành",   "Niềm vui ngập tràn",  "Tiền vào như nước",
    "Sức khỏe dồi dào",    "Chúc ngày rạng rỡ",    "Hôm nay thật vui",    "Bình yên bên nhau",
    "Trăm điều may mắn",   "Khởi đầu thuận lợi",   "Hẹn ngày gặp lại",    "Cảm ơn thật nhiều",
    "Một ngày tuyệt vời",  "Chúc luôn thành công",
};

/// One paste's greeting and the memo made from it (accent-free upper case).
struct WishPaste {
    std::string wish;
    std::string memo;

    friend bool operator==(const WishPaste&, const WishPaste&) = default;
};

/// A uniform random index in [0, bound); bound is at least 1.
using RandomIndex = std::function<std::size_t(std::size_t bound)>;

/// Consumes the next wish of the rotation, starting a new shuffled cycle when
/// the stored one is used up, and stores the rest. A new cycle never begins
/// with the wish that ended the previous one. Stored entries that are not
/// wishes of the list are dropped. Cannot fail.
WishPaste nextPaste(platform::UserDefaults& defaults);

/// The same with the shuffle's randomness supplied by the caller.
WishPaste nextPaste(platform::UserDefaults& defaults, const RandomIndex& randomIndex);

}  // namespace halvora::qr::WishGenerator
