#pragma once

#include "lock/lock_library.h"

#include <functional>
#include <string>
#include <vector>

// Records every call to the encoder and answers with the results the test sets.
class RecordingLockLibrary : public zorva::lock::LockLibrary {
public:
    std::int16_t initializeSystem(std::int16_t cardType) override {
        calls.push_back("InitializeSystem " + std::to_string(cardType));
        entered("InitializeSystem");
        return initializeResult;
    }
    std::int16_t setAuthCode(const zorva::lock::AuthCode& code,
                             const zorva::lock::SectorArguments& sectors) override {
        std::string call = "SetAuthCode " + std::string(code.begin(), code.end());
        for (auto s : sectors)
            call += " " + std::to_string(s);
        calls.push_back(call);
        entered("SetAuthCode");
        return authCodeResult;
    }
    std::int16_t issueGuestCard(zorva::lock::GuestCardRequest& request) override {
        calls.push_back("IssueGuestCard");
        requests.push_back(request);
        if (duringIssue)
            duringIssue();
        entered("IssueGuestCard");
        return issueResult;
    }
    void freeSystem() override {
        calls.push_back("FreeSystem");
        entered("FreeSystem");
    }
    void beepOk() override {
        calls.push_back("BeepOk");
        entered("BeepOk");
    }
    void beepFailure() override {
        calls.push_back("BeepFailure");
        entered("BeepFailure");
    }

    std::vector<std::string> calls;
    std::vector<zorva::lock::GuestCardRequest> requests;
    std::int16_t initializeResult = 0;
    std::int16_t authCodeResult = 0;
    std::int16_t issueResult = 0;
    std::function<void()> duringIssue;
    // Told of each call once it is recorded; may throw what a failing library would.
    std::function<void(const std::string& call)> onCall;

private:
    void entered(const std::string& call) {
        if (onCall)
            onCall(call);
    }
};
