// Peak memory of the library client receiving the largest reply it accepts, made of empty
// fields only ("|" repeated): the reply is placed in the exchange folder of a temporary device
// as a navigator would write it, then received, decoded and read field by field through the
// file layer. Prints the field count, the time and the peak resident set size. Not a test.
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "OXSDK5Link/FileLayer.h"

namespace fs = std::filesystem;

int main() {
    char pattern[] = "/tmp/oxsdk-empty-fields-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string root = pattern;
    setenv("OXSDK_DEVICE_ROOT", root.c_str(), 1);
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("bench", "nav", -1));
    layer->StartSendCommand();
    layer->AppendArgument("GetRouteCoordinatesV01");
    MOstrelSession* session = layer->SendCommand();
    if (session == nullptr) return 1;
    // The reply under the command's names swapped, written as the navigator writes it.
    const fs::path folder = root + "/Ostrel/SdkFileCalls";
    std::string stem;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 9 && name.compare(name.size() - 9, 9, ".finished") == 0) {
            stem = name.substr(std::string("bench.nav.").size(), name.size() - 19);
        }
    }
    const std::size_t size = COstrelFileLayer::kMaxReplySize - 1;
    {
        std::ofstream message(folder / ("nav.bench." + stem + ".message"), std::ios::binary);
        const std::string block(1 << 20, '|');
        for (std::size_t written = 0; written < size; written += block.size()) {
            message.write(block.data(),
                          static_cast<std::streamsize>(std::min(block.size(), size - written)));
        }
        message.put('\0');
    }
    std::ofstream(folder / ("nav.bench." + stem + ".finished"), std::ios::binary)
        .write("finish\n", 8);

    const auto start = std::chrono::steady_clock::now();
    layer->StartReceiveCommand(session);
    std::size_t empty = 0;
    for (int i = 0; i < layer->NrReceiveFields(); ++i) empty += layer->ReceiveField(i)[0] == '\0';
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "reply %zu bytes, %d fields (%zu empty), received and read in %.2f s, peak RSS %ld MiB\n",
        size + 1, layer->NrReceiveFields(), empty, seconds, usage.ru_maxrss / 1024);
    layer.reset();
    fs::remove_all(root);
    return 0;
}
