// The local name of a downloaded file, shared by the hosts' download clients.
#pragma once
#include <string>

namespace inst {

// The address's last component, or the Content-Disposition filename="..." when it names a file:
// only its last component counts, so a server cannot write outside the download folder.
std::string download_file_name(const std::string& url, const std::string& disposition);

}  // namespace inst
