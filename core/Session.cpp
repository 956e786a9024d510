#include "core/Session.h"

Session::Session(UserMessages &messages, const GatewaySettings &gatewaySettings)
    : messages(messages)
    , gateway(messages, gatewaySettings) {}
