// Our MD5 against the RFC 1321 vectors, libcrypto and md5sum, whole and fed in odd pieces.
#include <openssl/evp.h>
#include <random>

#include "installer/core/md5.h"
#include "testsupport/testsupport.h"

namespace {

std::string hex(const uint8_t* d, size_t n) {
    std::string out;
    char two[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%02x", d[i]);
        out += two;
    }
    return out;
}

std::string ours(const std::string& data, size_t piece) {
    md5_state s;
    md5_init(s);
    for (size_t at = 0; at < data.size(); at += piece)
        md5_update(s, data.data() + at, std::min(piece, data.size() - at));
    uint8_t d[16];
    md5_final(s, d);
    return hex(d, 16);
}

std::string libcrypto(const std::string& data) {
    uint8_t d[16];
    unsigned n = 0;
    EVP_Digest(data.data(), data.size(), d, &n, EVP_md5(), nullptr);
    return hex(d, n);
}

std::string random_bytes(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& ch : s)
        ch = char(gen());
    return s;
}

TEST(Md5, Rfc1321Vectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, digest] : vectors)
        EXPECT_EQ(ours(text, 1000), digest) << text;
}

// Sizes around the padding boundaries (55/56 bytes, one block, the reader's 16384-byte pieces).
TEST(Md5, EqualsLibcryptoAtBlockAndPieceBoundaries) {
    for (size_t size : {0, 1, 55, 56, 57, 63, 64, 65, 127, 128, 16383, 16384, 16385}) {
        std::string data = random_bytes(size, unsigned(size) + 7);
        std::string expected = libcrypto(data);
        for (size_t piece : {size_t(1), size_t(3), size_t(64), size_t(16384)})
            EXPECT_EQ(ours(data, piece), expected) << "size " << size << " piece " << piece;
    }
}

TEST(Md5, FiveMegabytesEqualMd5sum) {
    ORM_REQUIRE_TOOL("md5sum");
    testsupport::scratch_dir dir("md5");
    std::string data = random_bytes(5 * 1024 * 1024, 5);
    std::string path = dir.write("big.bin", data);
    auto r = testsupport::run("md5sum " + testsupport::quote(path));
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(ours(data, 16384), r.out.substr(0, 32));
    EXPECT_EQ(ours(data, 16384), libcrypto(data));
}

}  // namespace
