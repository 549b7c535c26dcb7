// The archive cipher against published vectors: MD5 (RFC 1321 test suite), AES-128 (FIPS-197
// example, SP 800-38A CBC example) and the self-extractor's block rules. The cross-check with
// openssl over real built files is in check_layout.sh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sfx/cipher.h"

namespace {

std::string Hex(const uint8_t* bytes, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; i++) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::vector<uint8_t> FromHex(const std::string& text) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) bytes.push_back((uint8_t)std::stoi(text.substr(i, 2), nullptr, 16));
    return bytes;
}

struct Md5Case {
    const char* input;
    const char* digest;
};

TEST(SfxCipher, Md5MatchesTheReferenceSuite) {
    const Md5Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Md5Case& c : cases) {
        uint8_t digest[16];
        ComputeMd5(c.input, strlen(c.input), digest);
        EXPECT_EQ(c.digest, Hex(digest, 16)) << "input \"" << c.input << "\"";
    }
}

TEST(SfxCipher, Md5InPiecesEqualsMd5AtOnce) {
    // Pieces that straddle the 64-byte block and the 56-byte length boundary.
    std::string text;
    for (int i = 0; i < 1000; i++) text += (char)('a' + i % 26);
    uint8_t whole[16];
    ComputeMd5(text.data(), text.size(), whole);
    const size_t pieceSizes[] = {1, 7, 55, 56, 63, 64, 65, 999};
    for (size_t piece : pieceSizes) {
        Md5Context context;
        Md5Init(&context);
        for (size_t at = 0; at < text.size(); at += piece)
            Md5Update(&context, text.data() + at, std::min(piece, text.size() - at));
        uint8_t digest[16];
        Md5Final(&context, digest);
        EXPECT_EQ(Hex(whole, 16), Hex(digest, 16)) << "piece size " << piece;
    }
}

struct AesCase {
    const char* name;
    const char* key;
    const char* plain;
    const char* cipher;
};

TEST(SfxCipher, AesBlockMatchesPublishedExamples) {
    const AesCase cases[] = {
        {"FIPS-197 C.1", "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
         "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"FIPS-197 B", "2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
         "3925841d02dc09fbdc118597196a0b32"},
        {"SP 800-38A ECB 1", "2b7e151628aed2a6abf7158809cf4f3c", "6bc1bee22e409f96e93d7e117393172a",
         "3ad77bb40d7a3660a89ecaf32466ef97"},
    };
    for (const AesCase& c : cases) {
        Aes128Key key;
        ExpandAes128Key(FromHex(c.key).data(), &key);
        std::vector<uint8_t> block = FromHex(c.plain);
        EncryptAesBlock(&key, block.data());
        EXPECT_EQ(c.cipher, Hex(block.data(), 16)) << c.name;
        DecryptAesBlock(&key, block.data());
        EXPECT_EQ(c.plain, Hex(block.data(), 16)) << c.name << " (decrypted)";
    }
}

TEST(SfxCipher, CbcMatchesTheSp80038aExample) {
    Aes128Key key;
    ExpandAes128Key(FromHex("2b7e151628aed2a6abf7158809cf4f3c").data(), &key);
    std::vector<uint8_t> iv = FromHex("000102030405060708090a0b0c0d0e0f");
    const std::string plain =
        "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
        "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";
    const std::string cipher =
        "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
        "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7";
    std::vector<uint8_t> data = FromHex(plain);
    EncryptAesCbc(&key, iv.data(), data.data(), data.size());
    EXPECT_EQ(cipher, Hex(data.data(), data.size()));
    DecryptAesCbc(&key, iv.data(), data.data(), data.size());
    EXPECT_EQ(plain, Hex(data.data(), data.size()));
}

TEST(SfxCipher, KeyIsTheDigestOfThePasswordCharacters) {
    // MD5("secret") = 5ebe2294ecd0e0f08eab7690d2a6ee69; the key schedule starts with the key.
    Aes128Key key;
    DeriveSfxKey("secret", &key);
    EXPECT_EQ("5ebe2294ecd0e0f08eab7690d2a6ee69", Hex(key.roundKeys, 16));
    DeriveSfxKey("", &key);
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Hex(key.roundKeys, 16));
}

TEST(SfxCipher, BlocksArePaddedAndStartFromTheFixedVector) {
    struct LengthCase {
        size_t size, encrypted;
    };
    const LengthCase lengths[] = {{0, 0}, {1, 16}, {15, 16}, {16, 16}, {17, 32}, {1000, 1008}, {131072, 131072}};
    Aes128Key key;
    DeriveSfxKey("pw", &key);
    for (const LengthCase& c : lengths) {
        EXPECT_EQ(c.encrypted, SfxEncryptedLength(c.size)) << "size " << c.size;
        std::vector<uint8_t> data(c.encrypted + 16, 0xAA), original;
        for (size_t i = 0; i < c.size; i++) data[i] = (uint8_t)(i * 7 + 3);
        original.assign(data.begin(), data.begin() + c.size);
        EXPECT_EQ(c.encrypted, EncryptSfxBlock(&key, data.data(), c.size)) << "size " << c.size;
        EXPECT_EQ(0xAA, data[c.encrypted]) << "wrote past the padded block, size " << c.size;
        if (c.size >= 16) {
            // The first cipher block is the plain block xor the vector, encrypted.
            uint8_t first[16];
            for (int i = 0; i < 16; i++) first[i] = (uint8_t)(original[i] ^ kSfxInitVector[i]);
            EncryptAesBlock(&key, first);
            EXPECT_EQ(Hex(first, 16), Hex(data.data(), 16)) << "size " << c.size;
        }
        DecryptSfxBlock(&key, data.data(), c.encrypted);
        EXPECT_EQ(Hex(original.data(), original.size()), Hex(data.data(), c.size)) << "size " << c.size;
        for (size_t i = c.size; i < c.encrypted; i++) EXPECT_EQ(0, data[i]) << "fill byte " << i;
    }
    EXPECT_EQ("7051938264193058", std::string((const char*)kSfxInitVector, 16));
}

}  // namespace
