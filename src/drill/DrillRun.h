#pragma once
// DrillRun: one run of the drill, from its first question to its hand-over
// to the finish screen or the menu. It owns what the run counts (the question
// asked, the questions answered right, the clock's start with its penalties,
// the last reading) and the phase the run is in; each run is a new object,
// so nothing carries over but PreviousQuestion. The drill window draws what
// the run announces by its signals and passes the pupil's input and the
// clock's ticks on; input outside the phase that takes it is ignored in one
// place, takes(). The rules it follows are DrillLogic.h's functions and the
// records' RunFlow.h; its pauses are timers of the clock seam, its cues end
// by the sound seam's report, so nothing here waits or turns the event loop.
//
// Phases and what moves the run on:
//   Starting   --start()-->        Asking (Practising in practice)
//   Asking     --answer(right)-->  Judging: the correct cue; at its end the answer counts,
//                                  then Asking (next question) or the end of the run
//   Asking     --answer(wrong)-->  Judging: the correction and the penalty at once, the
//                                  wrong cue; at its end Correction
//   Asking     --answer(right, countOnNext)--> Judging: the correct cue; at its end Correction,
//                                  whose "次へ" counts the answer
//   Correction --next()-->         Asking (or the count above first)
//   Practising --back()-->         Done (to the dashboard, nothing recorded)
//   any of Asking, Correction, Practising --tick() at the time limit--> Finishing
//   (a tick during Judging never ends the run: the first tick after it does)
//   Finishing: the notice, the record, one second's pause --> Done (finish screen)
#include "drill/DrillLogic.h"
#include "records/RunFlow.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace karuvel {

// The question asked last; kept from one run to the next (0 = none yet).
int& PreviousQuestion();

class DrillRun : public QObject {
    Q_OBJECT
public:
    enum class Phase {
        Starting,    // made; the clock has not started
        Asking,      // a question is on screen: an answer is taken
        Judging,     // an answer's cue plays (a wrong answer's correction is already on screen)
        Correction,  // the correction is on screen: "次へ" is taken
        Practising,  // practice: nothing is asked; "戻る" is taken
        Finishing,   // the run has ended and is recorded: the pause before the finish screen
        Done,        // handed over: nothing more is taken
    };
    enum class Input { Answer, Next, Back, Tick };
    // Where the pupil goes once the run is over.
    enum class Leave {
        ToFinish,  // a recorded run: the finish screen shows its outcome()
        ToMenu,    // a run that is not recorded (a practice level, an untimed level)
        Back,      // "戻る" in practice
    };

    struct Setup {
        DrillKind kind = DrillKind::MapLevel;
        int level = 0;
        int questionCount = 0;
        long timeLimit = 0;  // seconds until time over (5 x the limit time); 0: never
    };
    explicit DrillRun(const Setup& setup, QObject* parent = nullptr);

    // Whether the run takes this input in its phase now.
    bool takes(Input input) const;

    void start();              // the clock starts and the first question is asked
    // A judged answer: kVerdictRight or kVerdictWrong. A right answer given by
    // another place than the asked one (countOnNext) is shown with the asked
    // place like a correction, without a penalty, and counts at "次へ".
    void answer(int verdict, bool countOnNext = false);
    void next();               // "次へ"
    void back();               // "戻る"
    void tick();               // a second of the clock

    Phase phase() const { return phase_; }
    DrillKind kind() const { return setup_.kind; }
    int currentQuestion() const { return current_; }
    int questionsPerRun() const { return perRun_; }
    int correctCount() const { return correct_; }
    int remaining() const { return perRun_ - correct_; }
    // Whether the question (1..count) has been answered right in this run.
    bool answeredRight(int question) const;
    // The last tick's reading in whole seconds, penalties included: the run's time.
    long elapsed() const { return elapsed_; }
    // The monotonic reading at the start, moved back 10 s by each wrong answer.
    double startTime() const { return startTime_; }
    long timeLimit() const { return setup_.timeLimit; }
    bool timeOver() const { return timeOver_; }
    // The recorded run (once Finishing has recorded it).
    const std::optional<RunOutcome>& outcome() const { return outcome_; }

    // The pause between the end of a recorded run and the finish screen.
    static constexpr int kFinishPauseMs = 1000;
    // The penalty of a wrong answer.
    static constexpr int kPenaltySeconds = 10;

signals:
    void asked(int question);        // draw the question's prompt (map) or red area and choices (list)
    void judged(int verdict);        // right: its sign; wrong: the correction, the penalty's badge
    void counted(int remaining);     // a right answer has counted
    void correctionReady();          // the wrong answer's cue has ended: "次へ" may be pressed
    void correctionCleared();        // "次へ": the correction goes (the next question follows)
    void ticked(long elapsed);       // the clock's reading
    void ended(bool timeOver);       // the clock stops; "時間切れ" or "成績記録中" shows
    void recorded();                 // stored: the pause before the finish screen begins
    void leave(DrillRun::Leave where);
    void soundStopped(const QString& message);  // an answer cue failed the fourth time in a row

private:
    void askNext();
    void countRight();  // the right answer counts: the next question or the end
    void playCue(bool right);
    void cueEnded(bool stop, const QString& message);
    void end(bool timeOver);

    Setup setup_;
    Phase phase_ = Phase::Starting;
    int perRun_ = 0;
    int correct_ = 0;
    int current_ = 0;
    int verdict_ = kVerdictNone;
    bool countOnNext_ = false;
    std::vector<int> done_;
    double startTime_ = 0;
    long elapsed_ = 0;
    bool timeOver_ = false;
    uint64_t cue_ = 0;  // the cue whose end is awaited
    std::optional<RunOutcome> outcome_;
};

} // namespace karuvel
