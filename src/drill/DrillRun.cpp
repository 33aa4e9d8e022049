#include "drill/DrillRun.h"

#include "frame/FileMessages.h"
#include "platform/Platform.h"
#include "records/Sounds.h"

#include <QPointer>
#include <algorithm>

namespace karuvel {

namespace {
int gPreviousQuestion = 0;
} // namespace

int& PreviousQuestion() { return gPreviousQuestion; }

DrillRun::DrillRun(const Setup& setup, QObject* parent)
    : QObject(parent),
      setup_(setup),
      perRun_(setup.kind == DrillKind::Practice ? 0 : karuvel::questionsPerRun(setup.questionCount)),
      done_(size_t(std::max(setup.questionCount, kMaxQuestions) + 1), 0)
{
}

bool DrillRun::takes(Input input) const
{
    switch (phase_) {
    case Phase::Asking: return input == Input::Answer || input == Input::Tick;
    case Phase::Judging: return input == Input::Tick;
    case Phase::Correction: return input == Input::Next || input == Input::Tick;
    case Phase::Practising: return input == Input::Back || input == Input::Tick;
    case Phase::Starting:
    case Phase::Finishing:
    case Phase::Done: return false;
    }
    return false;
}

bool DrillRun::answeredRight(int question) const
{
    return question >= 0 && question < int(done_.size()) && done_[size_t(question)] == 1;
}

void DrillRun::start()
{
    if (phase_ != Phase::Starting) return;
    // The run is timed on the monotonic clock, so that a run across midnight
    // (or a correction of the clock) has its true length.
    startTime_ = clock().monotonicSeconds();
    elapsed_ = 0;
    if (setup_.kind == DrillKind::Practice) {
        phase_ = Phase::Practising;
        return;
    }
    askNext();
}

void DrillRun::askNext()
{
    const int q = chooseQuestion(setup_.questionCount, done_, PreviousQuestion(), correct_, perRun_, rnd());
    current_ = q;
    PreviousQuestion() = q;
    verdict_ = kVerdictNone;
    countOnNext_ = false;
    phase_ = Phase::Asking;
    emit asked(q);
}

void DrillRun::answer(int verdict, bool countOnNext)
{
    if (!takes(Input::Answer) || (verdict != kVerdictRight && verdict != kVerdictWrong)) return;
    verdict_ = verdict;
    countOnNext_ = verdict == kVerdictRight && countOnNext;
    phase_ = Phase::Judging;
    // The penalty: every later reading is ten seconds further on.
    if (verdict == kVerdictWrong) startTime_ -= kPenaltySeconds;
    emit judged(verdict);
    playCue(verdict == kVerdictRight);
}

void DrillRun::playCue(bool right)
{
    const uint64_t id = ++cue_;
    const QPointer<DrillRun> self(this);
    CueEnded ended = [self, id](const CueEnd& end) {
        if (self && self->cue_ == id) self->cueEnded(end.stop.has_value(), end.stop.value_or(QString()));
    };
    if (right)
        PlayCorrect(std::move(ended));
    else
        PlayWrong(std::move(ended));
}

void DrillRun::cueEnded(bool stop, const QString& message)
{
    if (phase_ != Phase::Judging) return;
    if (stop) {
        phase_ = Phase::Done;
        emit soundStopped(message);
        return;
    }
    if (verdict_ == kVerdictWrong || countOnNext_) {
        phase_ = Phase::Correction;
        emit correctionReady();
        return;
    }
    countRight();
}

void DrillRun::countRight()
{
    ++correct_;
    if (current_ >= 0 && current_ < int(done_.size())) done_[size_t(current_)] = 1;
    emit counted(remaining());
    if (correct_ == perRun_)
        end(false);
    else
        askNext();
}

void DrillRun::next()
{
    if (!takes(Input::Next)) return;
    emit correctionCleared();
    if (countOnNext_) {
        countOnNext_ = false;
        countRight();
        return;
    }
    askNext();
}

void DrillRun::back()
{
    if (!takes(Input::Back)) return;
    // Leaving practice: nothing is recorded and the finish screen is not shown.
    phase_ = Phase::Done;
    emit leave(Leave::Back);
}

void DrillRun::tick()
{
    if (!takes(Input::Tick)) return;
    elapsed_ = elapsedFromClock(clock().monotonicSeconds(), startTime_);
    emit ticked(elapsed_);
    // While an answer's cue plays the run does not end; the first tick after it does.
    if (timeOverDue(elapsed_, setup_.timeLimit, 0, 0, phase_ == Phase::Judging ? 1 : 0)) end(true);
}

void DrillRun::end(bool timeOver)
{
    phase_ = Phase::Finishing;
    timeOver_ = timeOver;
    ++cue_;  // a cue still playing no longer moves the run
    emit ended(timeOver);
    if (!runIsRecorded(setup_.level)) {
        phase_ = Phase::Done;
        emit leave(Leave::ToMenu);
        return;
    }
    outcome_ = JudgeRun(setup_.level, timeOver ? kTimeOver : int32_t(elapsed_));
    // A run that cannot be stored is lost unless the teacher comes: the program stops.
    if (!outcome_->stored.ok()) stopOnResults(outcome_->stored);
    emit recorded();
    clock().after(kFinishPauseMs, this, [this] {
        phase_ = Phase::Done;
        emit leave(Leave::ToFinish);
    });
}

} // namespace karuvel
