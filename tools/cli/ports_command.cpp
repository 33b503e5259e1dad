// movra-cli ports: the USB-to-UART ports a download would try, one line each.
#include "cli_environment.h"
#include "record_output.h"
#include "subcommand.h"
#include "usb_uart_ports.h"

namespace movra::cli {

namespace {

int RunPorts(const ParsedOptions&) {
  PrepareCliEnvironment();
  for (const UsbUartPort& port : UsbToUartPorts()) PrintLine(port.comName + "\t" + port.displayName);
  return kExitOk;
}

}  // namespace

Subcommand PortsSubcommand() {
  return Subcommand{
      "ports",
      "the USB-to-UART ports present now, in the order a download tries them:\n"
      "    the COM name, a tab, the name the system shows (devices under MOVRA_DEVICE_ROOT, default /)",
      {},
      &RunPorts,
      {},
  };
}

}  // namespace movra::cli
