#pragma once
// What the options dialog needs of the main window after the port has changed.

#include <string>

namespace tallyvox::app {

class TExchangeConnector {
public:
    virtual ~TExchangeConnector() = default;
    // Opens the port, identifies the exchange and shows the result (a port that
    // fails while identifying raises ECommError).
    static constexpr int Connected = 1;
    static constexpr int PortNotOpened = -1;
    static constexpr int ExchangeSilent = -2;
    virtual int ConnectExchange(const std::string& portName) = 0;
    // Repaints the status bar and refreshes the window.
    virtual void RefreshStatus() = 0;
};

} // namespace tallyvox::app
