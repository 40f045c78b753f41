// The Windows serial channel on its own: ports that the prefix does not have.
// Nothing here opens COM1 to COM4, which a Windows machine may really have.

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>
#include <windows.h>

#include "exchange/CommPort.h"

namespace tallyvox {
namespace {

TEST(Win32PortTest, APortThatIsNotThereRaisesCode8WithTheSystemsReasonAndStaysClosed) {
    for (const char* name : {"COM9", "COM27", "\\\\.\\COM8"}) {
        SCOPED_TRACE(name);
        TCommPort port(boost::make_shared<TSystemClock>());
        try {
            port.Open(name);
            ADD_FAILURE() << "the port opened";
        } catch (const ECommError& error) {
            EXPECT_EQ(error.Code, CommErrorOpen);
            EXPECT_EQ(error.SystemError, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
        }
        EXPECT_FALSE(port.IsOpen());
        EXPECT_FALSE(port.Holder().has_value()) << "a missing port is not one held by another";
        // Nothing was opened, so every single-byte operation is refused.
        for (const auto& operation :
             {+[](TCommPort& p) { p.ReadByte(); }, +[](TCommPort& p) { p.WriteByte(0); },
              +[](TCommPort& p) { p.PurgeInput(); }, +[](TCommPort& p) { p.Flush(); }}) {
            try {
                operation(port);
                ADD_FAILURE() << "an operation on the closed port went through";
            } catch (const ECommError& error) {
                EXPECT_EQ(error.Code, CommErrorNotOpen);
            }
        }
    }
}

} // namespace
} // namespace tallyvox
