#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::testbed {

/// A QR code symbol made by libqrencode: a square of dark and light modules.
class QrCode {
  public:
    /// Encodes the bytes of `payload` in byte mode at error-correction level
    /// M. Nothing when the payload does not fit in a QR code.
    static std::optional<QrCode> encode(std::string_view payload);

    /// Modules on one side, without the quiet zone.
    int size() const { return size_; }
    bool dark(int x, int y) const;

    /// An SVG document of `width` × `height` pixels showing the code, black on
    /// white, centred with a four-module quiet zone.
    std::string svg(int width, int height) const;

    /// An SVG document of that size showing nothing but a white background.
    static std::string blankSvg(int width, int height);

  private:
    QrCode(int size, std::vector<bool> modules) : size_(size), modules_(std::move(modules)) {}

    int size_;
    std::vector<bool> modules_;
};

}  // namespace halvora::testbed
