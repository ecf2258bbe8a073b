#include "OfficeConnection.h"
#include "OfficeConnectionAccess.h"

#include "OfficeProfile.h"
#include "OfficeRuns.h"
#include "Platform.h"
#include "UnoErrors.h"
#include "UnoDocument.h"
#include "UnoValues.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XDesktop.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <cppuhelper/bootstrap.hxx>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <atomic>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace {

// The office asks to be started again after it first set up a new profile.
constexpr int RestartRequested = 81;

Reference<uno::XComponentContext> localContext()
{
    static Reference<uno::XComponentContext> context = [] {
        // The client's own UNO runtime reads the office's type libraries.
        if (qEnvironmentVariableIsEmpty("URE_BOOTSTRAP"))
            qputenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" CW_OFFICE_PROGRAM_DIR "/fundamentalrc");
        return cppu::defaultBootstrap_InitialComponentContext();
    }();
    return context;
}

// soffice is a script that starts the real binary as a grandchild; the binary
// itself is started so that it can be tied to this process's life.
QString realBinary(const QString& soffice)
{
    const QFileInfo info(soffice);
    if (info.fileName() == "soffice.bin")
        return info.absoluteFilePath();
    const QFileInfo resolved(info.canonicalFilePath());
    const QString bin = resolved.absolutePath() + "/soffice.bin";
    return QFileInfo(bin).isExecutable() ? bin : info.absoluteFilePath();
}

} // namespace

struct OfficeConnection::Impl {
    bool ended = false; // shut down: no office is started again
    std::atomic<bool> aborted = false; // set from any thread
    int starts = 0;
    Options options;
    std::shared_ptr<CallWatch> watch;
    std::shared_ptr<CallWaiter> waiter; // null: calls wait where they are made
    std::unique_ptr<QTemporaryDir> profile;
    // Declared before the process, gone after it: a QProcess tells of its end as it goes.
    std::shared_ptr<Platform::ChildProcess> child; // the office, for any thread
    std::unique_ptr<QProcess> process;
    QString pipe;
    Reference<frame::XComponentLoader> loader; // of a connected office
    Reference<uno::XComponentContext> remote;

    // On the thread that started the office, which owns its QProcess.
    bool alive() const
    {
        if (!process)
            return false;
        process->waitForFinished(0); // lets QProcess notice an exit without an event loop
        return process->state() == QProcess::Running;
    }

    // From any thread (a call made within a call runs on the call thread):
    // asks the system, not the QProcess.
    static bool lives(const std::shared_ptr<const Platform::ChildProcess>& office)
    {
        return office && !office->ended();
    }

    // The office has ended: nothing is sent to its id any more.
    void forget()
    {
        if (child)
            child->reaped();
        watch->forget();
    }

    // The office's objects live as long as the office that made them.
    uno_errors::Link link()
    {
        return {[office = std::shared_ptr<const Platform::ChildProcess>(child)] { return lives(office); }, watch,
                waiter};
    }

    // A call of the office's life, timed by the watch itself: with its own
    // limit, or none given (zero), the watch's.
    template <typename F> auto wait(std::chrono::milliseconds limit, F&& f) const -> decltype(f())
    {
        CallWatch::Scope scope(watch.get(), limit);
        return waiter ? waiter->run(std::forward<F>(f)) : f();
    }

    // One round trip: an office that just died may not have been noticed yet.
    bool answers() const
    {
        try {
            return wait({}, [&] { return remote->getServiceManager().is(); });
        } catch (const uno::Exception&) {
            return false;
        }
    }

    Reference<uno::XInterface> desktop() const
    {
        return remote->getServiceManager()->createInstanceWithContext("com.sun.star.frame.Desktop", remote);
    }

    QString profileUrl() const { return QUrl::fromLocalFile(profile->path()).toString(QUrl::FullyEncoded); }

    void start(const QString& binary)
    {
        process = std::make_unique<QProcess>();
        process->setProgram(binary);
        process->setArguments({"--headless", "--invisible", "--nologo", "--norestore", "--nodefault", "--nolockcheck",
                               "-env:UserInstallation=" + profileUrl(), "--accept=pipe,name=" + pipe + ";urp;"});
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        // The office's own temporary files go into the profile, which is removed.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", profile->filePath("tmp"));
        QDir().mkpath(profile->filePath("tmp"));
        process->setProcessEnvironment(environment);
        // The namespace comes first: entering it would clear the parent-death signal.
        const Platform::NetworkIsolation isolation;
        // The system refuses the office's allocations at twice its cap,
        // should it grow faster than the watch looks.
        const qint64 refusedFrom = qint64(options.memoryCapMb) << 21;
        // Runs in the child before its exec, in this process's memory: nothing instrumented.
        process->setChildProcessModifier([isolation, own = options.ownNetwork, refusedFrom]()
                                             __attribute__((no_sanitize("thread"))) {
            if (own)
                isolation.apply();
            Platform::limitMemory(refusedFrom);
            Platform::dieWithParent();
        });
        process->start();
        if (!process->waitForStarted(10000))
            throw office::Error("The office could not be started: " + process->errorString().toStdString());
        // Before any event can let QProcess reap it, whose id is then free.
        child = std::make_shared<Platform::ChildProcess>(process->processId());
        QObject::connect(process.get(), &QProcess::finished, process.get(), [this] { forget(); });
        watch->watch(child);
    }

    void connect()
    {
        const QString soffice = options.soffice.isEmpty() ? findSoffice() : options.soffice;
        if (soffice.isEmpty() || !QFileInfo(soffice).isExecutable())
            throw office::Error("No office was found");
        if (!profile) {
            office_runs::removeLeftovers(QDir::tempPath(), office_runs::pipeFolder());
            profile = std::make_unique<QTemporaryDir>(office_runs::folderTemplate("office"));
            if (!profile->isValid())
                throw office::Error("No folder for the office's profile: " + profile->errorString().toStdString());
            office_profile::seedProfile(profile->path(), realBinary(soffice));
        }
        const QDeadlineTimer deadline(options.startTimeoutMs);
        for (int attempt = 0; attempt < 3; ++attempt) {
            pipe = office_runs::pipeName();
            start(realBinary(soffice));
            Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(localContext());
            const auto url = uno_office::toOUString("uno:pipe,name=" + pipe + ";urp;StarOffice.ComponentContext");
            while (!deadline.hasExpired() && !aborted) {
                try {
                    wait(std::chrono::milliseconds(std::max<qint64>(1, deadline.remainingTime())), [&] {
                        remote.set(resolver->resolve(url), UNO_QUERY_THROW);
                        office_profile::configureProfile(remote);
                        office_profile::keepContentLocal(remote);
                    });
                    loader = uno_errors::guarded(
                        link(), [&] { return Reference<frame::XComponentLoader>(desktop(), UNO_QUERY_THROW); });
                    return;
                } catch (const connection::NoConnectException&) {
                    // Not listening yet; the wait ends early should the process end.
                    if (process->waitForFinished(100))
                        break;
                }
            }
            if (aborted) {
                stop();
                throw office::Gone("The program is ending");
            }
            if (alive()) {
                stop();
                throw office::Error("The office did not answer in time");
            }
            if (process->exitCode() != RestartRequested)
                throw office::Error("The office ended at start with code " + std::to_string(process->exitCode()));
        }
        throw office::Error("The office kept asking to be restarted");
    }

    void stop()
    {
        loader.clear();
        if (remote.is() && alive()) {
            try {
                // An office that does not answer is not waited for long here.
                wait(std::chrono::seconds(10),
                     [&] { Reference<frame::XDesktop>(desktop(), UNO_QUERY_THROW)->terminate(); });
            } catch (const uno::Exception&) {
                // Disposed: the office went away while answering, as it may.
            }
        }
        remote.clear();
        if (process) {
            if (!process->waitForFinished(10000)) {
                process->kill();
                process->waitForFinished(10000);
            }
            forget();
            process.reset();
            for (const QString& file : office_runs::pipeFiles(pipe, profileUrl()))
                QFile::remove(file);
        }
    }
};

OfficeConnection::OfficeConnection() : OfficeConnection(Options{}) { }

OfficeConnection::OfficeConnection(Options options) : d(std::make_unique<Impl>())
{
    d->options = std::move(options);
    d->watch = std::make_shared<CallWatch>(std::chrono::milliseconds(d->options.callTimeoutMs),
                                           qint64(d->options.memoryCapMb) << 20);
    if (d->options.letEventsIn)
        d->waiter = std::make_shared<CallWaiter>();
}

OfficeConnection::~OfficeConnection()
{
    shutdown();
}

void OfficeConnection::start()
{
    ensureRunning();
}

void OfficeConnection::ensureRunning()
{
    if (!d->loader.is() || !d->alive() || !d->answers())
        restart();
}

std::shared_ptr<office::Document> OfficeConnection::open(const QString& url)
{
    ensureRunning();
    return uno_office::open(d->loader, url, d->link());
}

qint64 OfficeConnection::residentBytes() const
{
    return Platform::residentBytes(processId());
}

void OfficeConnection::restart()
{
    d->stop();
    if (d->ended || d->aborted)
        throw office::Gone("The program is ending");
    uno_errors::guarded({[this] { return Impl::lives(d->child); }, nullptr, nullptr}, [this] { d->connect(); });
    ++d->starts;
}

int OfficeConnection::starts() const
{
    return d->starts;
}

void OfficeConnection::shutdown()
{
    d->ended = true;
    // Asked from the events let in during a call (the window closed): the
    // call fails at once, and what is left goes when the connection does.
    if (d->watch->busy())
        return abort();
    d->stop();
}

void OfficeConnection::abort()
{
    d->aborted = true;
    d->watch->abort();
}

qint64 OfficeConnection::processId() const
{
    return d->alive() ? d->child->id() : 0;
}

quint64 OfficeConnection::calls() const
{
    return d->watch->calls();
}

bool OfficeConnection::waitForCall(quint64 before, int limitMs) const
{
    return d->watch->waitForCall(before, std::chrono::milliseconds(limitMs));
}

bool OfficeConnection::callUnderWay() const
{
    return d->watch->busy();
}

QString OfficeConnection::findSoffice()
{
    const QString configured = qEnvironmentVariable("CELLWINNOW_SOFFICE");
    if (!configured.isEmpty())
        return QFileInfo(configured).isExecutable() ? configured : QString();
    for (const QString& candidate :
         {QStringLiteral(CW_OFFICE_PROGRAM_DIR "/soffice"), QStringLiteral("/usr/lib/libreoffice/program/soffice"),
          QStringLiteral("/opt/libreoffice/program/soffice")}) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    for (const char* name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

uno_errors::Link OfficeConnectionAccess::link(OfficeConnection& office)
{
    return office.d->link();
}

Reference<uno::XComponentContext> OfficeConnectionAccess::remoteContext(OfficeConnection& office)
{
    office.ensureRunning();
    return office.d->remote;
}
