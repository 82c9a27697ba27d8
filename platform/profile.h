// Profile (INI) files with the original platform's reading and writing rules:
// - section and key names match without regard to case;
// - a missing file, section or key gives the default (so does an empty integer value); an
//   integer reads its leading decimal digits (optional sign, saturating at the int range) and
//   a non-numeric value gives 0;
// - string values are cut to the caller's limit (limit - 1 characters);
// - surrounding blanks of names and values are trimmed; CR LF and LF line ends both read; a
//   leading UTF-8 byte-order mark is skipped (and kept on rewrite, as is the CR LF style);
//   lines starting with ';' are comments; a value ends at a NUL byte;
// - with duplicate keys in a section the first one wins;
// - the key list of a section comes in file order;
// - writing a key with a null value deletes the key; writing a null key deletes the section;
// - the file is created by the first write; each write replaces the file atomically
//   (written to a temporary file in the same folder, flushed, then renamed), so a crash
//   never leaves it half written. Lines it does not understand are kept as they are. A write
//   that only deletes something missing leaves the file untouched (and does not create it);
// - a file that cannot be read (not a regular file, larger than kMaxProfileFileBytes, I/O
//   error) reads as missing, and every write to it fails without touching it.
#pragma once

#include <string>
#include <vector>

namespace orv {

constexpr std::size_t kMaxProfileFileBytes = 8u << 20;

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& file,
                             std::size_t limit = 4096);
int GetProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& file);
// Keys of a section in file order (empty when the section or file is missing).
std::vector<std::string> GetProfileKeys(const std::string& section, const std::string& file);
std::vector<std::string> GetProfileSections(const std::string& file);

// value == nullptr deletes the key; key == nullptr deletes the section (every copy of it).
// False on I/O error, and for text that cannot stand in one line (line breaks or NULs, an
// empty name, ']' in a section name, '=' in a key name, a key starting with ';' or '['); the
// old file is then left untouched.
bool WriteProfileString(const std::string& section, const char* key, const char* value,
                        const std::string& file);
bool WriteProfileInt(const std::string& section, const std::string& key, int value,
                     const std::string& file);

} // namespace orv
