#include "driver/tests/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "common/msgfile.h"

void load_test_messages() {
    static bool loaded = false;
    if (loaded) return;
    std::string path = std::string(getenv("ORM_BUILD_DIR")) + "/dat/en_msgs.txt";
    msgfile_open(path.c_str());
    loaded = true;
}

std::string write_temp_file(const std::string& name, const std::string& text) {
    static int counter = 0;
    std::string path = std::string(getenv("ORM_BUILD_DIR")) + "/tests/driver_" + std::to_string(getpid()) + "_" +
                       std::to_string(counter++) + "_" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string capture_stdout(const std::function<void()>& body) {
    fflush(stdout);
    std::string path = write_temp_file("stdout.txt", "");
    int saved = dup(1);
    FILE* f = fopen(path.c_str(), "w");
    dup2(fileno(f), 1);
    body();
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
    fclose(f);
    std::string text = read_file(path);
    remove(path.c_str());
    return text;
}
