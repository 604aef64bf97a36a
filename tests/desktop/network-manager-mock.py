#!/usr/bin/python3
# NetworkManager for the connection tests: python3-dbusmock's template on the
# bus that DBUS_SYSTEM_BUS_ADDRESS names, with one Wi-Fi device and a saved
# connection named "Home". Prints "ready" once set up and runs until its
# standard input closes.
#
#   outside       "Home" is already active, as if the user had connected
#   plain         "Home" activates when asked
#   fail:REASON   every activation ends with that NetworkManager reason
import sys

import dbus
import dbusmock
from dbusmock.templates.networkmanager import DeviceState

MANAGER_IFACE = 'org.freedesktop.NetworkManager'
ACTIVE_IFACE = 'org.freedesktop.NetworkManager.Connection.Active'

scenario = sys.argv[1]
server, manager = dbusmock.DBusTestCase.spawn_server_template('networkmanager', {}, stdout=sys.stderr.fileno(),
                                                              system_bus=True)
mock = dbus.Interface(manager, dbusmock.MOCK_IFACE)
device = mock.AddWiFiDevice('mock_WiFi', 'wlan0', DeviceState.DISCONNECTED)
access_point = mock.AddAccessPoint(device, 'Mock_AP', 'Home', '00:23:F8:7E:12:BB', 2, 2425, 5400, 82, 0)
connection = mock.AddWiFiConnection(device, 'Mock_Con', 'Home', '')
if scenario == 'outside':
    mock.AddActiveConnection([device], connection, access_point, 'Outside', 2)
elif scenario.startswith('fail:'):
    reason = int(scenario[5:])
    # Activations go through the manager object's activate_connection; a method
    # of our own on the mock replaces it there with one that fails.
    mock.AddMethod(MANAGER_IFACE, 'RavelinTestFail', 'u', '',
                   "def failing(manager, conn, dev, ap, objects=objects, dbus=dbus, reason=args[0]):\n"
                   "    p = '/org/freedesktop/NetworkManager/ActiveConnection/failed%d' % len(objects)\n"
                   f"    manager.AddObject(p, '{ACTIVE_IFACE}', {{'State': dbus.UInt32(1)}}, [])\n"
                   f"    objects[p].EmitSignal('{ACTIVE_IFACE}', 'StateChanged', 'uu', [dbus.UInt32(4), dbus.UInt32(reason)])\n"
                   "    return dbus.ObjectPath(p)\n"
                   "objects['/org/freedesktop/NetworkManager'].activate_connection = failing")
    manager.RavelinTestFail(dbus.UInt32(reason), dbus_interface=MANAGER_IFACE)
print('ready', flush=True)
sys.stdin.read()
server.terminate()
server.wait()
