# Real platform adapters: Qt 6 for images and SVG, libcurl for HTTP(S),
# zxing-cpp for reading QR codes. They implement the core's ports but live in
# their own library so that the core never sees a Qt, curl or zxing header.

find_package(Qt6 REQUIRED COMPONENTS Core Gui Svg)
find_package(CURL REQUIRED)
find_package(ZXing REQUIRED)

add_library(halvora_adapters STATIC
  ${CMAKE_CURRENT_LIST_DIR}/curl/CurlHttpClient.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt/HeadlessGuiApplication.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt/QtImageCodec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt/SafeSvg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zxing/ZXingBarcodeReader.cpp
)
target_link_libraries(halvora_adapters
  PUBLIC halvora_core
  PRIVATE Qt6::Core Qt6::Gui Qt6::Svg CURL::libcurl ZXing::ZXing)
# Payloads come back from zxing as UTF-8 std::string.
target_compile_definitions(halvora_adapters PRIVATE ZX_USE_UTF8)

# HEIC decoding checks on libheif, in front of the Qt codec.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBHEIF REQUIRED IMPORTED_TARGET libheif)
target_sources(halvora_adapters PRIVATE ${CMAKE_CURRENT_LIST_DIR}/heif/HeifImageCodec.cpp)
target_link_libraries(halvora_adapters PRIVATE PkgConfig::LIBHEIF)
