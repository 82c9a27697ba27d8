#include "client/data/orv_number.h"

namespace orv {

bool IsPlainOrvNumber(const std::string& number) {
    if (number.empty() || number.size() > kMaxOrvNumberLength) return false;
    for (char c : number) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

} // namespace orv
