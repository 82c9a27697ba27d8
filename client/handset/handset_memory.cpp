#include "client/handset/handset_memory.h"

namespace orv {

HandsetKeyWord SplitKeyWord(std::uint16_t word) {
    return HandsetKeyWord{static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>(word >> 8)};
}

std::uint16_t MakeKeyWord(HandsetKeyWord value) {
    return static_cast<std::uint16_t>(value.key | (value.bound << 8));
}

std::uint16_t ScrambleWord(std::uint16_t word, std::uint8_t key) {
    return static_cast<std::uint16_t>(word ^ (key | (key << 8)));
}

std::uint32_t CustomerNumberFromWords(std::uint16_t word5, std::uint16_t word6, std::uint8_t key) {
    return static_cast<std::uint32_t>(ScrambleWord(word5, key)) |
           (static_cast<std::uint32_t>(ScrambleWord(word6, key)) << 16);
}

void CustomerNumberToWords(std::uint32_t number, std::uint8_t key, std::uint16_t* word5, std::uint16_t* word6) {
    *word5 = ScrambleWord(static_cast<std::uint16_t>(number & 0xFFFF), key);
    *word6 = ScrambleWord(static_cast<std::uint16_t>(number >> 16), key);
}

bool OrvNumberToWords(const std::string& number, std::uint8_t key, std::vector<std::uint16_t>* words) {
    if (number.size() > kHandsetNumberMax || number.find('\0') != std::string::npos)
        return false;
    std::string bytes = number;
    bytes.push_back('\0');
    if (bytes.size() % 2)
        bytes.push_back('\0');
    words->clear();
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const auto low = static_cast<std::uint8_t>(bytes[i]);
        const auto high = static_cast<std::uint8_t>(bytes[i + 1]);
        words->push_back(ScrambleWord(static_cast<std::uint16_t>(low | (high << 8)), key));
    }
    return true;
}

bool OrvNumberReader::Add(std::uint16_t stored) {
    if (m_done)
        return true;
    const std::uint16_t word = ScrambleWord(stored, m_key);
    for (const auto byte : {static_cast<char>(word & 0xFF), static_cast<char>(word >> 8)}) {
        if (byte == '\0') {
            m_done = true;
            return true;
        }
        m_number.push_back(byte);
    }
    if (++m_words == kHandsetNumberWords) {
        // Sixteen words without an ending: the last character has no room for the zero.
        if (m_number.size() > kHandsetNumberMax)
            m_number.resize(kHandsetNumberMax);
        m_done = true;
    }
    return m_done;
}

} // namespace orv
