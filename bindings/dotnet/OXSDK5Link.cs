// The OXSDK5Link library for .NET: a client of the navigation application over the library's C
// interface (oxsdk5link.h), with the handles held by SafeHandles and the records laid out as the
// C records. A command the navigation application refuses throws NavigatorException.
using System;
using System.Runtime.InteropServices;

namespace OXSDK5Link
{
    /// <summary>The result of a call (oxsdk_error).</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct Error
    {
        /// <summary>0 success, -1 not sent, -2 malformed reply, -5 not running, -6 timeout,
        /// any other value the navigation application's code.</summary>
        public int ErrorCode;
    }

    /// <summary>A version (oxsdk_version).</summary>
    [StructLayout(LayoutKind.Sequential, CharSet = CharSet.Ansi)]
    public struct VersionInfo
    {
        /// <summary>For example "5.2".</summary>
        [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 16)] public string VersionText;
        /// <summary>The number beside the text.</summary>
        public int VersionNumber;
    }

    /// <summary>The planned route's summary (oxsdk_route_info), reply fields 1 to 13.</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct RouteInfo
    {
        public int Value1, Value2, Value3, Value4, Value5, Value6, Value7, Value8, Value9,
            Value10, Value11, Value12, Value13;
    }

    /// <summary>A route point in degrees.</summary>
    public struct Point
    {
        public double Latitude, Longitude;
        public Point(double latitude, double longitude) { Latitude = latitude; Longitude = longitude; }
    }

    [StructLayout(LayoutKind.Sequential)]
    internal struct RouteCoordinates
    {
        public int Count;
        public IntPtr Coordinates;
    }

    /// <summary>A command did not succeed; Code says why.</summary>
    public class NavigatorException : Exception
    {
        /// <summary>The library's code (negative) or the navigation application's.</summary>
        public int Code { get; }

        public NavigatorException(string command, int code)
            : base(command + " failed with code " + code) { Code = code; }
    }

    /// <summary>The library's client handle, freed by oxsdk_client_free.</summary>
    public sealed class ClientHandle : SafeHandle
    {
        private ClientHandle() : base(IntPtr.Zero, true) { }
        public override bool IsInvalid => handle == IntPtr.Zero;
        protected override bool ReleaseHandle()
        {
            NativeMethods.oxsdk_client_free(handle);
            return true;
        }
    }

    /// <summary>A sent command until its reply is retrieved; freed (withdrawn) otherwise.</summary>
    public sealed class SessionHandle : SafeHandle
    {
        private SessionHandle() : base(IntPtr.Zero, true) { }
        public override bool IsInvalid => handle == IntPtr.Zero;
        protected override bool ReleaseHandle()
        {
            NativeMethods.oxsdk_session_free(handle);
            return true;
        }
    }

    internal static class NativeMethods
    {
        private const string Library = "OXSDK5Link";

        [DllImport(Library)] internal static extern ClientHandle oxsdk_client_new(string ownName, string navigatorName, int pid);
        [DllImport(Library)] internal static extern void oxsdk_client_free(IntPtr client);
        [DllImport(Library)] internal static extern void oxsdk_session_free(IntPtr session);
        [DllImport(Library)] internal static extern void oxsdk_free(IntPtr block);
        [DllImport(Library)] internal static extern void oxsdk_set_reply_timeout(ClientHandle client, int milliseconds);
        [DllImport(Library)] internal static extern int oxsdk_is_application_running(ClientHandle client, out Error error);
        [DllImport(Library)] internal static extern int oxsdk_get_application_version(ClientHandle client, out Error error, ref VersionInfo version);
        [DllImport(Library)] internal static extern SessionHandle oxsdk_get_application_version_async(ClientHandle client, int unused);
        [DllImport(Library)] internal static extern int oxsdk_get_application_version_async_retrieve(ClientHandle client, IntPtr session, out Error error, ref VersionInfo version);
        [DllImport(Library)] internal static extern int oxsdk_navigate_to_coordinates(ClientHandle client, out Error error, int latitude, int longitude, string destinationText);
        [DllImport(Library)] internal static extern int oxsdk_get_route_info(ClientHandle client, out Error error, ref RouteInfo route);
        [DllImport(Library)] internal static extern int oxsdk_get_route_coordinates(ClientHandle client, out Error error, ref RouteCoordinates route);
        [DllImport(Library)] internal static extern int oxsdk_flash_message(ClientHandle client, out Error error, string text, int seconds);
        [DllImport(Library)] internal static extern int oxsdk_stop_application(ClientHandle client, out Error error);
    }

    /// <summary>A client of one navigation application; dispose it when done.</summary>
    public sealed class Client : IDisposable
    {
        private readonly ClientHandle handle;

        public Client(string name = "dotnet", string navigator = "OstrelNavigator", int replyTimeoutMilliseconds = 0)
        {
            handle = NativeMethods.oxsdk_client_new(name, navigator, -1);
            if (handle.IsInvalid) throw new ArgumentException("cannot make a client named " + name);
            NativeMethods.oxsdk_set_reply_timeout(handle, replyTimeoutMilliseconds);
        }

        public void Dispose() => handle.Dispose();

        private static void Check(string command, int result, Error error)
        {
            int code = error.ErrorCode != 0 ? error.ErrorCode : result;
            if (code != 0) throw new NavigatorException(command, code);
        }

        public bool IsApplicationRunning() => NativeMethods.oxsdk_is_application_running(handle, out _) == 1;

        public VersionInfo GetApplicationVersion()
        {
            var version = new VersionInfo();
            Check("GetApplicationVersion", NativeMethods.oxsdk_get_application_version(handle, out Error error, ref version), error);
            return version;
        }

        /// <summary>Sends GetApplicationVersion; the reply is read by RetrieveApplicationVersion.</summary>
        public SessionHandle GetApplicationVersionAsync() => NativeMethods.oxsdk_get_application_version_async(handle, 0);

        public VersionInfo RetrieveApplicationVersion(SessionHandle session)
        {
            var version = new VersionInfo();
            // The retrieve frees the session itself: the SafeHandle must not free it again.
            IntPtr raw = session.DangerousGetHandle();
            session.SetHandleAsInvalid();
            Check("GetApplicationVersion", NativeMethods.oxsdk_get_application_version_async_retrieve(handle, raw, out Error error, ref version), error);
            return version;
        }

        /// <summary>Plans a route to a position in degrees.</summary>
        public void NavigateToCoordinates(double latitude, double longitude, string name)
        {
            Check("NavigateToCoordinates", NativeMethods.oxsdk_navigate_to_coordinates(handle, out Error error,
                (int)Math.Round(latitude * 1e6), (int)Math.Round(longitude * 1e6), name), error);
        }

        public RouteInfo GetRouteInfo()
        {
            var route = new RouteInfo();
            Check("GetRouteInfo", NativeMethods.oxsdk_get_route_info(handle, out Error error, ref route), error);
            return route;
        }

        /// <summary>The route's points, (latitude, longitude) in degrees.</summary>
        public Point[] GetRouteCoordinates()
        {
            var route = new RouteCoordinates();
            int result = NativeMethods.oxsdk_get_route_coordinates(handle, out Error error, ref route);
            try
            {
                Check("GetRouteCoordinates", result, error);
                var points = new Point[Math.Max(route.Count, 0)];
                for (int i = 0; i < points.Length; ++i)
                {
                    points[i] = new Point(Marshal.ReadInt32(route.Coordinates, 8 * i) / 1e6,
                                          Marshal.ReadInt32(route.Coordinates, 8 * i + 4) / 1e6);
                }
                return points;
            }
            finally
            {
                NativeMethods.oxsdk_free(route.Coordinates);
            }
        }

        public void FlashMessage(string text, int seconds)
        {
            Check("FlashMessage", NativeMethods.oxsdk_flash_message(handle, out Error error, text, seconds), error);
        }

        /// <summary>True when the navigation application is gone (or did not run).</summary>
        public bool StopApplication()
        {
            int result = NativeMethods.oxsdk_stop_application(handle, out Error error);
            if (result == 0 && (error.ErrorCode == 0 || error.ErrorCode == -5)) return error.ErrorCode == -5;
            Check("StopApplication", result, error);
            return false;
        }
    }
}
