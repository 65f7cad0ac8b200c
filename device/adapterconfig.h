#pragma once

// Chooses the backend behind the vendor interface from "config/adapter.ini" beside the
// executable (created with defaults on first run, never overwritten), overridden by the
// environment variable LARKSPUR_ADAPTER ("simulated" or "serialbus").

#include "device/vendorapi.h"

#include <QString>

#include <memory>

// Returns null and sets *error (a reason for the log) when the backend cannot start.
std::shared_ptr<VendorApi> createConfiguredBackend(QString *error);
