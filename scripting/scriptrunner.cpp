#include "scripting/scriptrunner.h"

#include "scripting/scriptchannel.h"
#include "scripting/scripthost.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

ScriptRunner::ScriptRunner(ScriptHost &host, QObject *parent) : QObject(parent), host_(host) {}

ScriptRunner::~ScriptRunner()
{
    if (!thread_.joinable())
        return;
    channel_->detach();
    // A script stuck in a call outside Lua (os.execute, io.read) is left to end alone.
    if (channel_->waitFinished(std::chrono::seconds(2)))
        thread_.join();
    else
        thread_.detach();
}

bool ScriptRunner::start(const QString &path, const QStringList &args)
{
    if (running())
        return false;
    name_ = QFileInfo(path).fileName();
    channel_ = std::make_shared<ScriptChannel>(host_, this);
    host_.status(u"Script %1 running"_s.arg(name_));
    thread_ = std::thread([this, channel = channel_, path, args] {
        const ScriptOutcome outcome = runScript(channel, path, args);
        // Runs only while this runner is there.
        channel->post([this, outcome] { finish(outcome); });
        channel->markFinished();
    });
    return true;
}

void ScriptRunner::stop()
{
    if (channel_)
        channel_->requestStop();
}

void ScriptRunner::received(QByteArrayView bytes)
{
    if (channel_)
        channel_->feed(bytes);
}

qsizetype ScriptRunner::untaken() const
{
    return channel_ ? channel_->untaken() : 0;
}

void ScriptRunner::finish(const ScriptOutcome &outcome)
{
    thread_.join();
    channel_.reset();
    switch (outcome.end) {
    case ScriptOutcome::End::Finished:
        host_.status(u"Script %1 finished (exit %2)"_s.arg(name_).arg(outcome.exitCode));
        break;
    case ScriptOutcome::End::Stopped:
        host_.status(u"Script %1 stopped"_s.arg(name_));
        break;
    case ScriptOutcome::End::Failed:
        host_.status(u"Script %1 failed: %2"_s.arg(name_, outcome.error));
        break;
    }
    emit ended(outcome);
}
