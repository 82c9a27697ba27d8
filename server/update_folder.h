// The update server's folder, named by the administrator: the published files, the
// catalogue "published.txt" (one "NAME KIND VERSION" line per file) and the signed file list
// (UpdateSignature.txt) made with the service's signing key. The key file holds the secret
// key as hex; it is created, readable by its owner only, when it does not exist. Files are
// read from disk for each request, so a publish on the command line reaches a running
// server at once.
#pragma once

#include "wire/update_messages.h"
#include "wire/update_signature.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr const char* kUpdateCatalogueName = "published.txt";

class UpdateFolder {
public:
    UpdateFolder(std::string folder, std::string keyFile);

    // Makes the folder and the key when missing and signs the current catalogue. *publicKey
    // is the key clients are configured with (hex). False with *error.
    bool Prepare(std::string* publicKey, std::string* error);

    // The offered files: the catalogue's, then the signed list when there is one (and the
    // catalogue is not empty).
    std::vector<FileRecord> List() const;
    // The bytes and record of an offered file; false for a name that is not offered.
    bool Read(const std::string& name, FileRecord* record, std::vector<std::uint8_t>* bytes) const;

    // Copies source into the folder under its own file name with this version and folder
    // kind, and signs the catalogue again.
    bool Publish(const std::string& source, std::uint32_t version, std::uint32_t kind, std::string* error);
    bool Sign(std::string* error);

    const std::string& Folder() const { return m_folder; }

private:
    std::vector<FileRecord> Catalogue() const;
    bool WriteCatalogue(const std::vector<FileRecord>& files, std::string* error) const;
    bool LoadKey(UpdateSecretKey* key, std::string* error) const;

    std::string m_folder;
    std::string m_keyFile;
};

} // namespace orv
