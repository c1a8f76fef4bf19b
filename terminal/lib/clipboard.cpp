#include "terminal/lib/clipboard.h"

#include <atomic>
#include <mutex>

namespace qs::term {
namespace {

std::mutex g_memoryLock;
std::string g_memoryText;

bool WriteMemory(std::string_view text)
{
    std::lock_guard<std::mutex> hold(g_memoryLock);
    g_memoryText.assign(text);
    return true;
}

std::atomic<ClipboardWriter> g_writer{WriteMemory};

}  // namespace

void SetClipboardWriter(ClipboardWriter writer) { g_writer.store(writer ? writer : WriteMemory); }

bool WriteClipboardText(std::string_view text) { return g_writer.load()(text); }

std::string MemoryClipboardText()
{
    std::lock_guard<std::mutex> hold(g_memoryLock);
    return g_memoryText;
}

}  // namespace qs::term
