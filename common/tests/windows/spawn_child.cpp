// Child program of the Windows spawn tests.
//   spawn_child OUT ARG...   writes each ARG to OUT, each followed by a NUL byte
//   spawn_child --exit N     exits with status N
//   spawn_child --crash      dies of an access violation
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 3 && !std::strcmp(argv[1], "--exit"))
        return std::atoi(argv[2]);
    if (argc == 2 && !std::strcmp(argv[1], "--crash")) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
        return 0;
    }
    if (argc < 2)
        return 2;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out)
        return 3;
    for (int i = 2; i < argc; i++)
        std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, out);
    return std::fclose(out) == 0 ? 0 : 4;
}
