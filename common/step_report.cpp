#include "common/step_report.h"

namespace {

IStepReporter* g_reporter = nullptr;

}  // namespace

void SetStepReporter(IStepReporter* reporter) { g_reporter = reporter; }

bool IsStepReporterSet() { return g_reporter != nullptr; }

void ReportStep(const StepReport& step) {
    if (g_reporter != nullptr) g_reporter->OnStep(step);
}

bool IsNotThereError(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

StepOutcome OutcomeOfFailure(DWORD error) { return IsNotThereError(error) ? StepOutcome::NotThere : StepOutcome::Stays; }

void ReportCall(StepKind kind, const std::string& path, bool succeeded) {
    if (g_reporter == nullptr) return;
    StepReport step;
    step.kind = kind;
    step.path = path;
    if (!succeeded) {
        step.error = GetLastError();
        step.outcome = OutcomeOfFailure(step.error);
    }
    g_reporter->OnStep(step);
}

void ReportResult(StepKind kind, const std::string& path, LONG result) {
    if (g_reporter == nullptr) return;
    StepReport step;
    step.kind = kind;
    step.path = path;
    if (result != ERROR_SUCCESS) {
        step.error = static_cast<DWORD>(result);
        // A name the registry cannot hold (a part over 255 characters, say)
        // names no key: there is nothing to stay.
        const bool noSuchName = result == ERROR_INVALID_PARAMETER || result == ERROR_MORE_DATA ||
                                result == ERROR_FILENAME_EXCED_RANGE;
        step.outcome = noSuchName ? StepOutcome::NotThere : OutcomeOfFailure(step.error);
    }
    g_reporter->OnStep(step);
}

void ReportRefusal(StepKind kind, const std::string& path, StepReason reason, const std::string& at,
                   const std::string& field) {
    if (g_reporter == nullptr) return;
    StepReport step;
    step.kind = kind;
    step.path = path;
    step.outcome = reason == StepReason::AbsentOnTheWay ? StepOutcome::NotThere : StepOutcome::Refused;
    step.reason = reason;
    step.at = at;
    step.field = field;
    g_reporter->OnStep(step);
}
