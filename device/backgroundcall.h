#pragma once

// Adapter calls that may take a while (a QtSerialBus interface connecting over the
// network, a system query of an interface's settings) run here on a thread of their own,
// so that the windows keep painting and their timers keep running meanwhile. The calling
// thread runs its event loop without user input until the call has returned; input that
// arrives meanwhile is handled afterwards, so nothing can be clicked twice. The call's own
// time limits (for example the backend's connection timeout) bound the wait.
//
//     bool opened = false;
//     callInBackground([&] { opened = openDevice(FerruleDeviceType, index, 0); });

#include <functional>

void callInBackground(const std::function<void()> &call);
