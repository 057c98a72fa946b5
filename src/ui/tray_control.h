/*
 * The notification-area icon as the settings dialog needs it: the dialog
 * shows it when it opens and takes it away with Close.
 */
#pragma once

namespace orvanta {

class TrayControl {
public:
    virtual ~TrayControl() = default;
    virtual void show() = 0;
    virtual void remove() = 0;
};

}  // namespace orvanta
