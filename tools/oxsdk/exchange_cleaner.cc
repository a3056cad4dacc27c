#include "exchange_cleaner.h"

#include <new>

#include "OXSDK5Link/FileLayer.h"

namespace oxsdk::tools {
namespace {

bool ParseNumber(const std::string& text, unsigned long* value) {
    if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0')) return false;
    unsigned long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<unsigned long long>(c - '0');
    }
    if (number > 0xFFFFFFFFull) return false;
    *value = static_cast<unsigned long>(number);
    return true;
}

// The names of the exchange folder's plain files that are exchange file names.
struct TListing {
    std::vector<std::string> names;
    bool failed = false;
};

extern "C" int KeepExchangeFileName(const char* name, void* context) {
    auto* listing = static_cast<TListing*>(context);
    TExchangeFileName fields;
    try {
        if (ParseExchangeFileName(name, &fields)) listing->names.emplace_back(name);
        return 0;
    } catch (const std::bad_alloc&) {  // never through the library
        listing->failed = true;
        return 1;
    }
}

}  // namespace

bool ParseExchangeFileName(const std::string& name, TExchangeFileName* fields) {
    std::string parts[5];
    std::size_t count = 0, start = 0;
    for (;;) {
        const std::size_t dot = name.find('.', start);
        if (count == 5) return false;
        parts[count++] = name.substr(start, dot == std::string::npos ? dot : dot - start);
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    if (count != 5 || parts[0].empty() || parts[1].empty()) return false;
    if (parts[4] != "message" && parts[4] != "finished") return false;
    if (!ParseNumber(parts[2], &fields->pid) || !ParseNumber(parts[3], &fields->sequence)) {
        return false;
    }
    fields->writer = parts[0];
    fields->reader = parts[1];
    fields->marker = parts[4] == "finished";
    return true;
}

bool SameExchangeName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char left = a[i], right = b[i];
        if (left >= 'A' && left <= 'Z') left = static_cast<char>(left - 'A' + 'a');
        if (right >= 'A' && right <= 'Z') right = static_cast<char>(right - 'A' + 'a');
        if (left != right) return false;
    }
    return true;
}

std::string DeviceRootFromEnvironment() {
    char root[4096];
    return COstrelFileLayer::GetDeviceRootFolder(root, sizeof root) > 0 ? root : std::string();
}

std::string ExchangeFolderOf(const std::string& deviceRoot) {
    return deviceRoot + "/Ostrel/SdkFileCalls";
}

std::string DescribeUntrustedDevice() {
    char text[1024];
    return COstrelFileLayer::DescribeUntrustedDevice(text, sizeof text) != 0 ? text
                                                                             : std::string();
}

TCleanResult RemoveStaleExchangeFiles(
    const std::function<std::string(const TExchangeFileName&)>& staleReason) {
    TCleanResult result;
    TListing listing;
    if (COstrelFileLayer::ListExchangeFiles(KeepExchangeFileName, &listing) < 0 || listing.failed) {
        result.error = "out of memory while listing it";
        return result;
    }
    for (const std::string& name : listing.names) {
        TExchangeFileName fields;
        ParseExchangeFileName(name, &fields);
        std::string reason = staleReason(fields);
        if (reason.empty()) continue;
        switch (COstrelFileLayer::RemoveExchangeFile(name.c_str())) {
            case 1:
                result.removed.push_back({name, std::move(reason)});
                break;
            case 0:  // another party took it meanwhile: nothing to report
                break;
            case -1:
                result.failed.push_back({name, "refused: read-only, busy or not a plain file"});
                break;
            default:
                result.failed.push_back({name, "could not be removed"});
                break;
        }
    }
    return result;
}

}  // namespace oxsdk::tools
