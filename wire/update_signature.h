// The signed file list an update server may offer as an ordinary file of its list: each
// offered file's name, folder kind, version and SHA-256, and an Ed25519 signature over
// those lines. A client that holds the service's public key installs only files the list
// vouches for. Text form:
//   ORV update signature 1
//   file NAME KIND VERSION SHA256HEX      (one line per file)
//   signature HEX                         (64 bytes, over every byte before this line)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr const char* kUpdateSignatureName = "UpdateSignature.txt";
constexpr std::size_t kMaxSignatureFileBytes = 256 * 1024;

using UpdatePublicKey = std::array<std::uint8_t, 32>;
using UpdateSecretKey = std::array<std::uint8_t, 64>;

struct SignedFile {
    std::string name;
    std::uint32_t kind = 1;
    std::uint32_t version = 0;
    std::string sha256; // lower-case hex, 64 digits
    bool operator==(const SignedFile&) const = default;
};

std::string Sha256Hex(const std::uint8_t* data, std::size_t size);

void GenerateUpdateKey(UpdatePublicKey* publicKey, UpdateSecretKey* secretKey);
// The public key of a secret key (its second half).
UpdatePublicKey PublicKeyOf(const UpdateSecretKey& secretKey);
std::string ToHex(const std::uint8_t* data, std::size_t size);
// Exactly 2·size hex digits; false otherwise.
bool FromHex(const std::string& text, std::uint8_t* out, std::size_t size);

std::string SignFileList(const std::vector<SignedFile>& files, const UpdateSecretKey& secretKey);
// False, with the reason, for anything but a well-formed list whose signature checks.
bool VerifyFileList(const std::string& text, const UpdatePublicKey& publicKey, std::vector<SignedFile>* files,
                    std::string* error);

} // namespace orv
