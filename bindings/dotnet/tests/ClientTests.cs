// The .NET binding against the navigator emulator installed on the device: a few commands, a
// record, the route, a session, an error.
using System;
using OXSDK5Link;

static class ClientTests
{
    static int failures;

    static void Check(bool condition, string what)
    {
        if (!condition) { Console.Error.WriteLine("failed: " + what); ++failures; }
    }

    static int Main()
    {
        using (var client = new Client("dotnet-test", replyTimeoutMilliseconds: 120000))
        {
            Check(client.GetApplicationVersion().VersionText.StartsWith("5.2"), "version");
            client.NavigateToCoordinates(52.0907, 5.1214, "Utrecht");
            RouteInfo info = client.GetRouteInfo();
            var points = client.GetRouteCoordinates();
            Check(info.Value9 > 1 && points.Length == info.Value9, "route of " + points.Length);
            Check(Math.Abs(points[points.Length - 1].Latitude - 52.0907) < 1e-6, "destination");
            VersionInfo again = client.RetrieveApplicationVersion(client.GetApplicationVersionAsync());
            Check(again.VersionNumber > 0, "version by session");
            try { client.FlashMessage("late", -1); Check(false, "a negative time is refused"); }
            catch (NavigatorException refused) { Check(refused.Code == 5, "code " + refused.Code); }
            Check(client.StopApplication() && !client.IsApplicationRunning(), "stopped");
        }
        Console.WriteLine(failures == 0 ? ".NET binding: all well" : failures + " failed");
        return failures == 0 ? 0 : 1;
    }
}
