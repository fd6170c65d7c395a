#include "ui/send_pump.h"

#include "ui/main_form.h"

namespace quillory::ui {

TThread1::TThread1(TmainForm& form, const std::atomic<bool>& stopFlag) : m_form(form), m_stopFlag(stopFlag) {}

TThread1::~TThread1() {
    cancel();
    wait();
}

void TThread1::run() {
    QThread::currentThread()->setPriority(QThread::LowestPriority);
    const std::shared_ptr<Handoff> handoff = m_handoff;
    while (!m_stopFlag.load() && !handoff->cancelled.load()) {
        // A queued step and a wait for it, rather than a blocking queued call: a pump that is
        // cancelled stops waiting at once, so the window can join it without serving events.
        QMetaObject::invokeMethod(
            &m_form,
            [form = &m_form, handoff, self = this] {
                if (!handoff->cancelled.load()) form->sendNextRow(self);
                handoff->stepDone.release();
            },
            Qt::QueuedConnection);
        while (!handoff->stepDone.tryAcquire(1, 10))
            if (handoff->cancelled.load()) return;
    }
}

} // namespace quillory::ui
