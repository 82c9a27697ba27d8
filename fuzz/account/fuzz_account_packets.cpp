// Arbitrary bytes as an account server's answer (what the client reads) and as an account
// request (what the server reads). A request the server takes is built again by the client
// and must read back the same, and no text may outgrow its field.
#include "client/account/acct_packets.h"
#include "server/account_packets.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orv;
    std::vector<std::uint8_t> message(data, data + size); // exactly sized: reads past it are caught
    AccountAnswer answer;
    if (ParseAccountAnswer(message.data(), message.size(), &answer) && size != kAccountAnswerSize) std::abort();

    AccountRequest request;
    if (!ParseAccountRequest(message.data(), message.size(), &request)) return 0;
    if (request.number.size() > 31 || request.digest.size() > 39 || request.card.size() > 31 ||
        request.cardPassword.size() > 31) {
        std::abort();
    }
    const std::vector<std::uint8_t> again =
        request.type == PKT_ACCOUNT_FILL
            ? BuildAccountFill(request.number, request.digest, request.card, request.cardPassword)
            : BuildAccountQuery(request.number, request.digest);
    AccountRequest back;
    if (!ParseAccountRequest(again.data(), again.size(), &back) || back.type != request.type ||
        back.number != request.number || back.digest != request.digest || back.card != request.card ||
        back.cardPassword != request.cardPassword) {
        std::abort();
    }
    return 0;
}
