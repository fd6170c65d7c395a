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
    while (!m_stopFlag.load() && !cancelled()) {
        QMetaObject::invokeMethod(
            &m_form, [this] { m_form.sendNextRow(this); }, Qt::BlockingQueuedConnection);
    }
}

} // namespace quillory::ui
