// halvora-testbed: the loopback bank directory and QR image service, on its
// own. Prints its base URL, then serves until interrupted.

#include "TestBedServer.h"

#include <signal.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* usage =
    "usage: halvora-testbed [options]\n"
    "Serves /v2/banks and /image/<bin>-<account>-compact2.svg on 127.0.0.1.\n"
    "\n"
    "bank directory:\n"
    "  --directory-status N   answer with HTTP status N\n"
    "  --directory-code CODE  envelope code other than \"00\"\n"
    "  --bin-as-number        BINs as JSON numbers\n"
    "  --invalid-json         a document cut off in the middle\n"
    "  --directory-delay-ms N wait N ms before answering\n"
    "QR image:\n"
    "  --image-status N       answer with HTTP status N\n"
    "  --size N               image of N x N pixels (default 540)\n"
    "  --width N, --height N  one side only\n"
    "  --bin BIN, --account ACCOUNT, --amount AMOUNT, --memo MEMO\n"
    "                         put these in the code instead of the requested ones\n"
    "                         (an empty amount or memo leaves the field out)\n"
    "  --payload TEXT         the exact text the code carries\n"
    "  --blank-image          an image without a code\n"
    "  --not-an-image         a body that is not an image\n"
    "  --empty-body           an empty body\n"
    "  --body-bytes N         pad the body to N bytes\n"
    "  --chunked              send a padded body without announcing its length\n"
    "  --image-delay-ms N     wait N ms before answering\n"
    "both:\n"
    "  --delay-ms N           wait N ms before every answer\n"
    "  --tls-cert FILE --tls-key FILE\n"
    "                         serve HTTPS with this certificate and key (PEM)\n";

bool parseNumber(std::string_view text, long long& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && out >= 0;
}

/// Applies the options to the two behaviours; false on a bad option.
bool parseOptions(const std::vector<std::string_view>& args,
                  halvora::testbed::DirectoryBehaviour& directory,
                  halvora::testbed::ImageBehaviour& image, halvora::testbed::TlsIdentity& tls) {
    using Body = halvora::testbed::ImageBehaviour::Body;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view option = args[i];
        const bool hasValue = i + 1 < args.size();
        auto text = [&]() { return std::string(args[++i]); };
        auto number = [&](long long& out) { return hasValue && parseNumber(args[++i], out); };
        long long n = 0;
        if (option == "--bin-as-number") {
            directory.binAsNumber = true;
        } else if (option == "--invalid-json") {
            directory.invalidJson = true;
        } else if (option == "--blank-image") {
            image.body = Body::blank;
        } else if (option == "--not-an-image") {
            image.body = Body::notAnImage;
        } else if (option == "--chunked") {
            image.chunked = true;
        } else if (option == "--empty-body") {
            image.body = Body::empty;
        } else if (option == "--directory-code" && hasValue) {
            directory.code = text();
        } else if (option == "--bin" && hasValue) {
            image.bin = text();
        } else if (option == "--account" && hasValue) {
            image.account = text();
        } else if (option == "--amount" && hasValue) {
            image.amount = text();
        } else if (option == "--memo" && hasValue) {
            image.memo = text();
        } else if (option == "--tls-cert" && hasValue) {
            tls.certificateFile = text();
        } else if (option == "--tls-key" && hasValue) {
            tls.privateKeyFile = text();
        } else if (option == "--payload" && hasValue) {
            image.payload = text();
        } else if (option == "--directory-status" && number(n)) {
            directory.status = static_cast<int>(n);
        } else if (option == "--image-status" && number(n)) {
            image.status = static_cast<int>(n);
        } else if (option == "--size" && number(n)) {
            image.width = image.height = static_cast<int>(n);
        } else if (option == "--width" && number(n)) {
            image.width = static_cast<int>(n);
        } else if (option == "--height" && number(n)) {
            image.height = static_cast<int>(n);
        } else if (option == "--body-bytes" && number(n)) {
            image.bodyBytes = static_cast<std::size_t>(n);
        } else if (option == "--directory-delay-ms" && number(n)) {
            directory.delay = std::chrono::milliseconds(n);
        } else if (option == "--image-delay-ms" && number(n)) {
            image.delay = std::chrono::milliseconds(n);
        } else if (option == "--delay-ms" && number(n)) {
            directory.delay = image.delay = std::chrono::milliseconds(n);
        } else {
            std::fprintf(stderr, "halvora-testbed: bad option or value: %.*s\n",
                         static_cast<int>(option.size()), option.data());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    for (const auto arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
    }
    halvora::testbed::DirectoryBehaviour directory;
    halvora::testbed::ImageBehaviour image;
    halvora::testbed::TlsIdentity tls;
    if (!parseOptions(args, directory, image, tls)) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (tls.certificateFile.empty() != tls.privateKeyFile.empty()) {
        std::fputs("halvora-testbed: --tls-cert and --tls-key go together\n", stderr);
        return 2;
    }

    // Block the stop signals before the server starts its threads, so that
    // only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        const auto server = tls.certificateFile.empty()
                                ? std::make_unique<halvora::testbed::TestBedServer>()
                                : std::make_unique<halvora::testbed::TestBedServer>(tls);
        server->setDirectory(directory);
        server->setImage(image);
        std::printf("%s\n", server->baseUrl().c_str());
        std::fflush(stdout);
        int received = 0;
        sigwait(&stopSignals, &received);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "halvora-testbed: %s\n", error.what());
        return 1;
    }
    return 0;
}
