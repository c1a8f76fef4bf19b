// The one wait of a thread: poll() over its queue's eventfd, its fd watches, the caller's descriptors
// and the next timer deadline; and the queue descriptor that lets another event loop drive it.
#include <poll.h>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/base/errors.h"
#include "platform/base/message_queue.h"
#include "platform/base/thread.h"

namespace qsbase {
namespace {

// Runs one watch's callback for what poll() reported, unless the watch was removed or changed by
// an earlier callback of the same round.
void RunWatch(Queue *queue, const std::shared_ptr<QsFdWatch> &watch, short revents)
{
    State &state = GetState();
    short reported = 0;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        if (!watch->active || watch->queue != queue || watch->events == 0)
            return;
        reported = static_cast<short>(revents & (watch->events | POLLERR | POLLHUP | POLLNVAL));
        if (reported == 0)
            return;
        ++watch->running;
    }
    watch->callback(watch->context, watch->fd, reported);
    std::lock_guard<std::mutex> hold(state.lock);
    --watch->running;
    // A descriptor that is no longer open would be reported on every wait: stop polling it until the
    // watch is updated.
    if ((reported & POLLNVAL) != 0 && watch->active) {
        watch->events = 0;
        SyncEpollLocked(queue, watch->fd);
    }
    state.watchIdle.notify_all();
}

int ClampTimeout(int timeoutMs, std::uint64_t due, std::uint64_t now)
{
    if (due == UINT64_MAX)
        return timeoutMs;
    std::uint64_t left = due <= now ? 0 : due - now;
    int leftMs = left > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(left);
    return timeoutMs < 0 ? leftMs : std::min(timeoutMs, leftMs);
}

}  // namespace

int WaitForQueue(Queue *queue, pollfd *fds, int count, int timeoutMs, const Filter &filter)
{
    State &state = GetState();
    std::vector<pollfd> set;
    std::vector<std::shared_ptr<QsFdWatch>> polled;
    int timeout = timeoutMs;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        std::uint64_t now = NowMs();
        if (timeout != 0)
            timeout = HasWorkLocked(queue, filter, now) ? 0 : ClampTimeout(timeout, NextTimerDueLocked(queue, filter), now);
        set.reserve(1 + queue->watches.size() + static_cast<std::size_t>(count));
        set.push_back(pollfd{queue->wakeFd, POLLIN, 0});
        // A watch whose callback is running further up this stack is left out, so a callback that
        // pumps messages is not called again for the same readiness.
        for (const auto &watch : queue->watches) {
            if (watch->active && watch->events != 0 && watch->running == 0) {
                set.push_back(pollfd{watch->fd, watch->events, 0});
                polled.push_back(watch);
            }
        }
    }
    std::size_t callerAt = set.size();
    for (int i = 0; i < count; ++i)
        set.push_back(pollfd{fds[i].fd, fds[i].events, 0});
    int result = poll(set.data(), set.size(), timeout);
    if (result < 0) {
        if (errno != EINTR) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
        }
        for (pollfd &entry : set)
            entry.revents = 0;
    }
    if (set[0].revents != 0)
        DrainFd(queue->wakeFd);
    int ready = 0;
    for (int i = 0; i < count; ++i) {
        fds[i].revents = set[callerAt + static_cast<std::size_t>(i)].revents;
        if (fds[i].revents != 0)
            ++ready;
    }
    ProcessIncoming(queue);
    for (std::size_t i = 0; i < polled.size(); ++i)
        if (set[1 + i].revents != 0)
            RunWatch(queue, polled[i], set[1 + i].revents);
    return ready;
}

void SyncEpollLocked(Queue *queue, int fd)
{
    if (queue->epollFd < 0)
        return;
    std::uint32_t wanted = 0;
    for (const auto &watch : queue->watches)
        if (watch->active && watch->fd == fd)
            wanted |= static_cast<std::uint16_t>(watch->events);  // poll and epoll bits agree on Linux
    auto it = queue->epollEvents.find(fd);
    std::uint32_t had = it == queue->epollEvents.end() ? 0 : it->second;
    if (wanted == had)
        return;
    epoll_event event{};
    event.events = wanted;
    event.data.fd = fd;
    if (wanted == 0) {
        epoll_ctl(queue->epollFd, EPOLL_CTL_DEL, fd, nullptr);
        queue->epollEvents.erase(fd);
        return;
    }
    // The kernel drops a closed descriptor on its own, so either operation may have to give way.
    int op = had == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD;
    if (epoll_ctl(queue->epollFd, op, fd, &event) != 0) {
        op = op == EPOLL_CTL_ADD ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
        epoll_ctl(queue->epollFd, op, fd, &event);
    }
    queue->epollEvents[fd] = wanted;
}

void OrphanWatchesLocked(Queue *queue)
{
    for (const auto &watch : queue->watches) {
        watch->active = false;
        watch->queue = nullptr;
    }
    queue->watches.clear();
}

}  // namespace qsbase

using namespace qsbase;

int QsWaitForMessages(struct pollfd *fds, int count, int timeoutMs)
{
    if (count < 0 || count > kMaxWaitFds || (count > 0 && fds == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    Queue *queue = CurrentQueue(true);
    if (queue == nullptr)
        return -1;
    return WaitForQueue(queue, fds, count, timeoutMs, Filter{});
}

QsFdWatch *QsWatchFd(DWORD threadId, int fd, short events, QsFdCallback callback, void *context)
{
    if (fd < 0 || callback == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD self = GetCurrentThreadId();
    if (threadId == self && CurrentQueue(true) == nullptr)
        return nullptr;
    State &state = GetState();
    std::lock_guard<std::mutex> hold(state.lock);
    auto found = state.queues.find(threadId);
    if (found == state.queues.end()) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return nullptr;
    }
    Queue *queue = found->second;
    if (queue->watches.size() >= kMaxWatchesPerThread) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return nullptr;
    }
    auto watch = std::make_shared<QsFdWatch>(QsFdWatch{queue, fd, events, callback, context, true, 0});
    queue->watches.push_back(watch);
    state.watches[watch.get()] = watch;
    SyncEpollLocked(queue, fd);
    if (threadId != self)
        WakeLocked(queue);  // the owner may be inside poll() without this descriptor
    return watch.get();
}

void QsUpdateFdWatch(QsFdWatch *watch, short events)
{
    State &state = GetState();
    std::lock_guard<std::mutex> hold(state.lock);
    auto found = state.watches.find(watch);
    if (found == state.watches.end() || !watch->active)
        return;
    watch->events = events;
    SyncEpollLocked(watch->queue, watch->fd);
    if (watch->queue->threadId != GetCurrentThreadId())
        WakeLocked(watch->queue);
}

void QsUnwatchFd(QsFdWatch *watch)
{
    State &state = GetState();
    std::unique_lock<std::mutex> hold(state.lock);
    auto found = state.watches.find(watch);
    if (found == state.watches.end())
        return;
    std::shared_ptr<QsFdWatch> keep = found->second;  // a running wait may still hold it too
    state.watches.erase(found);
    keep->active = false;
    Queue *queue = keep->queue;
    if (queue == nullptr)
        return;
    auto &list = queue->watches;
    list.erase(std::remove(list.begin(), list.end(), keep), list.end());
    SyncEpollLocked(queue, keep->fd);
    if (queue->threadId != GetCurrentThreadId()) {
        WakeLocked(queue);
        // From another thread: once this returns the callback is neither running nor going to run,
        // so the caller may free its context.
        state.watchIdle.wait(hold, [&] { return keep->running == 0; });
    }
}

int QsGetQueueFd(void)
{
    Queue *queue = CurrentQueue(true);
    if (queue == nullptr)
        return -1;
    std::lock_guard<std::mutex> hold(GetState().lock);
    if (queue->epollFd >= 0)
        return queue->epollFd;
    int epollFd = epoll_create1(EPOLL_CLOEXEC);
    int timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (epollFd < 0 || timerFd < 0) {
        if (epollFd >= 0)
            close(epollFd);
        if (timerFd >= 0)
            close(timerFd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return -1;
    }
    for (int fd : {queue->levelFd, timerFd}) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &event);
    }
    queue->epollFd = epollFd;
    queue->timerFd = timerFd;
    for (const auto &watch : queue->watches)
        SyncEpollLocked(queue, watch->fd);
    ArmTimerFdLocked(queue);
    return epollFd;
}

void QsPumpMessages(void)
{
    Queue *queue = CurrentQueue(true);
    if (queue == nullptr)
        return;
    WaitForQueue(queue, nullptr, 0, 0, Filter{});
    std::size_t budget = 0;
    {
        std::lock_guard<std::mutex> hold(GetState().lock);
        if (queue->timerFd >= 0)
            DrainFd(queue->timerFd);
        // Only what is waiting now: a procedure that keeps posting must not keep the caller's loop
        // from running. Whatever is left keeps the queue descriptor readable.
        budget = queue->posted.size() + queue->timers.size();
    }
    MSG msg{};
    for (std::size_t i = 0; i < budget && TakeMessage(queue, Filter{}, true, true, &msg); ++i) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    std::lock_guard<std::mutex> hold(GetState().lock);
    ArmTimerFdLocked(queue);
}
