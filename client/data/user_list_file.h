// "User.dat": the ORV numbers used on this computer, most recent first, each with its
// remembered password digest. Up to 10 records of 1024 bytes of random filler holding the
// number and digest at random offsets; the whole file is scrambled as one block.
// In memory an entry is "number" or "number,digest".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr char kUserListFile[] = "User.dat";
constexpr std::size_t kUserRecordSize = 1024;
constexpr std::size_t kMaxUserRecords = 10;

// Splits an entry into number and digest (empty when the entry has no comma).
void SplitUserEntry(const std::string& entry, std::string* number, std::string* digest);

// Decodes the stored bytes. Damaged records (offsets out of their ranges, texts that are not
// plain printable characters) are skipped; the first empty number ends the list.
std::vector<std::string> DecodeUserList(const std::uint8_t* data, std::size_t size);
// Encodes the first 10 entries; seed drives the filler and the offsets.
std::vector<std::uint8_t> EncodeUserList(const std::vector<std::string>& list, std::uint32_t seed);

// A missing or unreadable file is an empty list.
std::vector<std::string> ReadUserListFile(const std::string& path);
// Replaces the file atomically, with a fresh random seed.
bool WriteUserListFile(const std::string& path, const std::vector<std::string>& list);

// True when number (not empty) and digest can be stored: printable characters without
// blanks or commas.
bool IsStorableUser(const std::string& number, const std::string& digest);

// Puts number first in the list with digest. When keepNoDigest is set and the number was
// listed without a digest, it stays without one.
void PutUserFirst(std::vector<std::string>* list, const std::string& number,
                  const std::string& digest, bool keepNoDigest);

} // namespace orv
