// Runs a function on the thread of a QObject (the main thread) and waits for
// it: the retrieval thread's "synchronous calls into the main thread". Called
// on that thread itself, the function runs at once.
//
// The main thread must never wait for the calling thread while such a call is
// pending, or both wait for ever; it only ever waits on its event loop.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <utility>

namespace rv
{

template <typename Function> void CallOnThreadOf(QObject* context, Function&& function)
{
    if (QThread::currentThread() == context->thread())
        function();
    else
        QMetaObject::invokeMethod(context, std::forward<Function>(function), Qt::BlockingQueuedConnection);
}

// Runs a function on the thread of a QObject without waiting for it; called
// on that thread itself, the function runs at once. For reports that may be
// made while the caller holds a lock the main thread takes.
template <typename Function> void PostToThreadOf(QObject* context, Function&& function)
{
    if (QThread::currentThread() == context->thread())
        function();
    else
        QMetaObject::invokeMethod(context, std::forward<Function>(function), Qt::QueuedConnection);
}

} // namespace rv
