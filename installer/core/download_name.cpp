#include "installer/core/download_name.h"

namespace inst {

std::string download_file_name(const std::string& url, const std::string& disposition) {
    std::string name = url.substr(url.rfind('/') + 1);
    size_t start = disposition.find("filename=\"");
    if (start == std::string::npos)
        return name;
    start += 10;
    size_t end = disposition.find('"', start);
    std::string given = disposition.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t cut = given.find_last_of("\\/:");
    if (cut != std::string::npos)
        given = given.substr(cut + 1);
    if (given.empty() || given == "." || given == "..")
        return name;
    return given;
}

}  // namespace inst
