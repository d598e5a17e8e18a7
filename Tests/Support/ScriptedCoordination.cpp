#include "ScriptedCoordination.hpp"

#include "DeskmapPlatform/Runtime/CancellationError.hpp"

#include <asio/this_coro.hpp>

namespace deskmap::test {

namespace {

class ScriptedSummarizer final : public SpaceSummarizing {
public:
    explicit ScriptedSummarizer(ScriptedSummarizers& owner) : owner_(owner) {}

    asio::awaitable<SummaryResult> summarize(Inventory inventory) override {
        const int run = ++owner_.started;
        while (owner_.hold) {
            bool cancelled = false;
            try {
                auto pausing = runtime::sleepFor(std::chrono::milliseconds(2));
                co_await std::move(pausing);
            } catch (const runtime::CancellationError&) {
                if (!owner_.ignoreCancellation) {
                    throw;
                }
                cancelled = true;
            }
            if (cancelled) {
                co_await asio::this_coro::reset_cancellation_state();
            }
        }
        ++owner_.finished;
        if (owner_.beforeReturning) {
            owner_.beforeReturning(run);
        }
        if (owner_.failure) {
            throw *owner_.failure;
        }
        SummaryResult result{"scripted", {}};
        for (const auto& space : inventory.spaces) {
            result.spaces.emplace_back(space, "Work " + std::to_string(space.index),
                                       "run " + std::to_string(run));
        }
        co_return result;
    }

private:
    ScriptedSummarizers& owner_;
};

} // namespace

std::shared_ptr<SpaceSummarizing>
ScriptedSummarizers::makeSummarizer(const std::string& token) const {
    ++built;
    lastToken = token;
    if (buildFailure) {
        throw *buildFailure;
    }
    return std::make_shared<ScriptedSummarizer>(const_cast<ScriptedSummarizers&>(*this));
}

} // namespace deskmap::test
