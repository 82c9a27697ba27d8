// What the client keeps in the handset's serial memory (16-bit words). Word 0 is plain: its
// low byte is the key byte, its high byte the bound flag (1 = the handset is bound to an ORV
// number). Every byte of words 2 onward is stored XOR-ed with the key byte:
//   words 5, 6    the customer number, word 5 first, the low byte of each word first
//   words 14..29  the bound ORV number, characters in order (low byte first), ended by a
//                 zero byte, at most 31 characters
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr int kHandsetWordKey = 0;
constexpr int kHandsetWordCustomer = 5;
constexpr int kHandsetWordNumber = 14;
constexpr int kHandsetNumberWords = 16;
constexpr std::size_t kHandsetNumberMax = 31;

struct HandsetKeyWord {
    std::uint8_t key = 0;
    std::uint8_t bound = 0;
};
HandsetKeyWord SplitKeyWord(std::uint16_t word);
std::uint16_t MakeKeyWord(HandsetKeyWord value);

// Both bytes of a word XOR-ed with the key byte (the same both ways).
std::uint16_t ScrambleWord(std::uint16_t word, std::uint8_t key);

std::uint32_t CustomerNumberFromWords(std::uint16_t word5, std::uint16_t word6, std::uint8_t key);
void CustomerNumberToWords(std::uint32_t number, std::uint8_t key, std::uint16_t* word5, std::uint16_t* word6);

// The words of a bound number, its ending zero byte included; false (nothing made) for a
// number longer than 31 characters or one with a zero byte in it.
bool OrvNumberToWords(const std::string& number, std::uint8_t key, std::vector<std::uint16_t>* words);

// Takes the stored number word by word: Add returns true once the ending zero byte came
// (or 16 words were taken); Number() is what came before it.
class OrvNumberReader {
public:
    explicit OrvNumberReader(std::uint8_t key) : m_key(key) {}
    bool Add(std::uint16_t stored);
    bool Done() const { return m_done; }
    const std::string& Number() const { return m_number; }

private:
    std::uint8_t m_key;
    std::string m_number;
    int m_words = 0;
    bool m_done = false;
};

} // namespace orv
