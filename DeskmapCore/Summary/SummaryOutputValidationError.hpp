#pragma once

#include <exception>
#include <functional>

namespace deskmap {

// Why a model's answer was rejected. Carries no detail beyond its case: the
// answer is rejected whole.
class SummaryOutputValidationError : public std::exception {
public:
    enum class Case { schemaMismatch, constraints, nonEnglishText, incompleteSpaces };

    explicit SummaryOutputValidationError(Case failure) : failure_(failure) {}

    Case failure() const { return failure_; }

    const char* message() const noexcept {
        switch (failure_) {
        case Case::schemaMismatch:
            return "model output did not match the required schema";
        case Case::constraints:
            return "a summary entry violated output constraints";
        case Case::nonEnglishText:
            return "labels and summaries must use the Latin alphabet";
        case Case::incompleteSpaces:
            return "the model did not summarize every Space exactly once";
        }
        return "model output did not match the required schema";
    }

    const char* what() const noexcept override { return message(); }

    friend bool operator==(const SummaryOutputValidationError& lhs,
                           const SummaryOutputValidationError& rhs) {
        return lhs.failure_ == rhs.failure_;
    }

private:
    Case failure_;
};

} // namespace deskmap

template <> struct std::hash<deskmap::SummaryOutputValidationError> {
    std::size_t operator()(const deskmap::SummaryOutputValidationError& error) const noexcept {
        return std::hash<int>{}(static_cast<int>(error.failure()));
    }
};
