#include "wire/update_signature.h"

#include "wire/update_messages.h"

#include <sodium.h>

#include <cstdio>
#include <sstream>

namespace orv {

namespace {

constexpr const char* kFirstLine = "ORV update signature 1\n";
constexpr const char* kSignaturePrefix = "signature ";

void InitSodium() {
    // Thread-safe and idempotent; it fails only when no random source exists at all.
    if (sodium_init() < 0) std::abort();
}

bool IsHexDigest(const std::string& text) {
    if (text.size() != 2 * crypto_hash_sha256_BYTES) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

bool ParseU32(const std::string& text, std::uint32_t* value) {
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
    *value = static_cast<std::uint32_t>(v);
    return true;
}

bool ParseFileLine(const std::string& line, SignedFile* file) {
    std::istringstream in(line);
    std::string word, kind, version, extra;
    if (!(in >> word >> file->name >> kind >> version >> file->sha256) || word != "file" || (in >> extra)) return false;
    return IsUpdateFileName(file->name) && ParseU32(kind, &file->kind) && ParseU32(version, &file->version) &&
           IsHexDigest(file->sha256);
}

} // namespace

std::string Sha256Hex(const std::uint8_t* data, std::size_t size) {
    InitSodium();
    std::uint8_t digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, data, size);
    return ToHex(digest, sizeof digest);
}

void GenerateUpdateKey(UpdatePublicKey* publicKey, UpdateSecretKey* secretKey) {
    InitSodium();
    crypto_sign_keypair(publicKey->data(), secretKey->data());
}

UpdatePublicKey PublicKeyOf(const UpdateSecretKey& secretKey) {
    InitSodium();
    UpdatePublicKey publicKey{};
    crypto_sign_ed25519_sk_to_pk(publicKey.data(), secretKey.data());
    return publicKey;
}

std::string ToHex(const std::uint8_t* data, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * size);
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 15];
    }
    return out;
}

bool FromHex(const std::string& text, std::uint8_t* out, std::size_t size) {
    if (text.size() != 2 * size) return false;
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < size; ++i) {
        const int hi = digit(text[2 * i]);
        const int lo = digit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return true;
}

std::string SignFileList(const std::vector<SignedFile>& files, const UpdateSecretKey& secretKey) {
    InitSodium();
    std::string body = kFirstLine;
    for (const SignedFile& f : files) {
        body += "file " + f.name + " " + std::to_string(f.kind) + " " + std::to_string(f.version) + " " + f.sha256 +
                "\n";
    }
    std::uint8_t signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const std::uint8_t*>(body.data()), body.size(),
                         secretKey.data());
    return body + kSignaturePrefix + ToHex(signature, sizeof signature) + "\n";
}

bool VerifyFileList(const std::string& text, const UpdatePublicKey& publicKey, std::vector<SignedFile>* files,
                    std::string* error) {
    InitSodium();
    files->clear();
    if (text.size() > kMaxSignatureFileBytes) {
        *error = "the signature file is too long";
        return false;
    }
    const std::size_t at = text.rfind(std::string("\n") + kSignaturePrefix);
    if (text.rfind(kFirstLine, 0) != 0 || at == std::string::npos) {
        *error = "not a signature file";
        return false;
    }
    const std::size_t bodySize = at + 1;
    std::string hex = text.substr(bodySize + std::char_traits<char>::length(kSignaturePrefix));
    if (!hex.empty() && hex.back() == '\n') hex.pop_back();
    std::uint8_t signature[crypto_sign_BYTES];
    if (!FromHex(hex, signature, sizeof signature)) {
        *error = "the signature is not 64 bytes of hex";
        return false;
    }
    if (crypto_sign_verify_detached(signature, reinterpret_cast<const std::uint8_t*>(text.data()), bodySize,
                                    publicKey.data()) != 0) {
        *error = "the signature does not match the service's key";
        return false;
    }
    std::istringstream lines(text.substr(std::char_traits<char>::length(kFirstLine),
                                         bodySize - std::char_traits<char>::length(kFirstLine)));
    std::string line;
    while (std::getline(lines, line)) {
        SignedFile file;
        if (!ParseFileLine(line, &file) || files->size() >= kMaxListedFiles) {
            files->clear();
            *error = "a signed line is malformed";
            return false;
        }
        files->push_back(std::move(file));
    }
    return true;
}

} // namespace orv
