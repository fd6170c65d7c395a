#pragma once
// The send pump: a thread at the lowest priority that hands one step of the mailing after the
// other to the user-interface thread and waits for each, so the window stays usable between
// rows and all the work happens on the thread that owns the Job.

#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <memory>

namespace quillory::ui {

class TmainForm;

class TThread1 final : public QThread {
    Q_OBJECT
public:
    TThread1(TmainForm& form, const std::atomic<bool>& stopFlag);
    ~TThread1() override;

    // A pump that is replaced or ended stops handing steps over, whatever stopFlag says later
    // (a new mailing lowers it again), and a step it handed over already does nothing. Called
    // on the user-interface thread only, so a step never sees it change while it runs.
    void cancel() { m_handoff->cancelled.store(true); }
    bool cancelled() const { return m_handoff->cancelled.load(); }

protected:
    void run() override;

private:
    // Shared with the steps in the event queue, which may outlive the pump.
    struct Handoff {
        std::atomic<bool> cancelled{false};
        QSemaphore stepDone;
    };
    TmainForm& m_form;
    const std::atomic<bool>& m_stopFlag;
    std::shared_ptr<Handoff> m_handoff = std::make_shared<Handoff>();
};

} // namespace quillory::ui
