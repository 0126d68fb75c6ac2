#include "platform/linux/atspi/status.h"

#include <atspi/atspi-constants.h>
#include <dbus/dbus.h>

#include "platform/linux/atspi/bus.h"
#include "platform/linux/atspi/dbus.h"
#include "platform/linux/atspi/log_silencer.h"

namespace platform::atspi {

bool enableAccessibilityStatus() {
    silenceGlibLogging();
    // Without a session bus there is nothing to switch on: none is launched.
    Connection connection = sessionBus();
    if (!connection) return false;
    DBusConnection* session = connection.get();
    bool enabled = false;
    if (DBusMessage* call = dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus", DBUS_INTERFACE_PROPERTIES, "Set")) {
        const char* interface = "org.a11y.Status";
        const char* property = "IsEnabled";
        dbus_bool_t value = TRUE;
        DBusMessageIter args, variant;
        dbus_message_iter_init_append(call, &args);
        if (dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &interface) &&
            dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &property) &&
            dbus_message_iter_open_container(&args, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING, &variant)) {
            const bool appended = dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &value);
            if (dbus_message_iter_close_container(&args, &variant) && appended) {
                DBusMessage* reply = dbus_connection_send_with_reply_and_block(session, call, callTimeoutMs, nullptr);
                if (reply) {
                    enabled = dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
                    dbus_message_unref(reply);
                }
            } else {
                dbus_message_iter_abandon_container_if_open(&args, &variant);
            }
        }
        dbus_message_unref(call);
    }
    return enabled;
}

bool accessibilityBusAnswers() {
    const ObjectAddress registry{ATSPI_DBUS_NAME_REGISTRY, ATSPI_DBUS_PATH_ROOT};
    Message reply = callAndWait(methodCall(registry, DBUS_INTERFACE_PEER, "Ping"));
    return reply != nullptr;
}

}  // namespace platform::atspi
