#include "app/Logging.h"

// Below warnings nothing shows unless a rule asks for it.
Q_LOGGING_CATEGORY(lcLink, "vx5h.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcConnect, "vx5h.connect", QtWarningMsg)
Q_LOGGING_CATEGORY(lcConfiguration, "vx5h.configuration", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPages, "vx5h.pages", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStartup, "vx5h.startup", QtWarningMsg)
