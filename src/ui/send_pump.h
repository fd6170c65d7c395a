#pragma once
// The send pump: a thread at the lowest priority that hands one step of the mailing after the
// other to the user-interface thread and waits for each, so the window stays usable between
// rows and all the work happens on the thread that owns the Job.

#include <QThread>

#include <atomic>

namespace quillory::ui {

class TmainForm;

class TThread1 final : public QThread {
    Q_OBJECT
public:
    TThread1(TmainForm& form, const std::atomic<bool>& stopFlag);
    ~TThread1() override;

    // A pump that is replaced or ended stops handing steps over, whatever stopFlag says later
    // (a new mailing lowers it again); steps it handed over already do nothing.
    void cancel() { m_cancelled.store(true); }
    bool cancelled() const { return m_cancelled.load(); }

protected:
    void run() override;

private:
    TmainForm& m_form;
    const std::atomic<bool>& m_stopFlag;
    std::atomic<bool> m_cancelled{false};
};

} // namespace quillory::ui
