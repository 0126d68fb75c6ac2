// The Linux answer to "which program opens this address in that running
// application": what /proc and the installed desktop entries tell.
#include "platform/linux/freedesktop/browser_opener.h"
#include "platform/linux/freedesktop/process_facts.h"
#include "platform/processes.h"

namespace platform {

OpenerLookup openerCommand(std::int32_t pid, const std::string& url) {
    return browser::openerFor(pid, url, ProcProcessSource());
}

}  // namespace platform
