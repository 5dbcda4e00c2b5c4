#include "ui/Application.h"

#include "base/FailureText.h"
#include "base/Messages.h"

#include <QMessageBox>

namespace {

UmnoglazApplication::ErrorBox &errorBoxHook()
{
    static UmnoglazApplication::ErrorBox hook;
    return hook;
}

UmnoglazApplication *runningApplication()
{
    return dynamic_cast<UmnoglazApplication *>(QCoreApplication::instance());
}

} // namespace

QString ErrorBoxTitle(const QString &executablePath)
{
    QString name = executablePath.section(u'/', -1);
    name = name.section(u'.', 0, 0);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

UmnoglazApplication::UmnoglazApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{ }

bool UmnoglazApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    ++m_dispatchDepth;
    try {
        handled = QApplication::notify(receiver, event);
    } catch (...) {
        m_pending.push_back(std::current_exception());
    }
    --m_dispatchDepth;
    showPendingFailures();
    return handled;
}

void UmnoglazApplication::reportFailure(std::exception_ptr failure)
{
    UmnoglazApplication *application = runningApplication();
    if (application && application->m_dispatchDepth > 0)
        application->m_pending.push_back(std::move(failure));
    else
        showErrorBox(std::move(failure));
}

void UmnoglazApplication::showPendingFailures()
{
    // The box runs an event loop of its own, in which further failures may be reported.
    while (!m_pending.empty()) {
        std::vector<std::exception_ptr> failures;
        failures.swap(m_pending);
        for (std::exception_ptr &failure : failures)
            showErrorBox(std::move(failure));
    }
}

QString UmnoglazApplication::errorBoxTitle()
{
    return ErrorBoxTitle(QCoreApplication::applicationFilePath());
}

QString UmnoglazApplication::errorBoxText(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(std::move(failure));
    } catch (const std::exception &error) {
        return WithFinalFullStop(ErrorMessage(error));
    } catch (...) {
        return QString::fromLatin1(kUnknownFailure);
    }
}

void UmnoglazApplication::setErrorBox(ErrorBox box)
{
    errorBoxHook() = std::move(box);
}

void UmnoglazApplication::showErrorBox(std::exception_ptr failure)
{
    const QString title = errorBoxTitle();
    const QString text = errorBoxText(std::move(failure));
    if (errorBoxHook()) {
        errorBoxHook()(title, text);
        return;
    }
    QMessageBox box(
        QMessageBox::Critical, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
