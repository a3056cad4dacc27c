/* A caller built for the Visual C++ target (clang --target=x86_64-pc-windows-msvc, linked by
 * lld-link against the import library made from the DLL's export record), without a C runtime:
 * it starts the navigator installed on the device, reads its version, and stops it. */
#include "OXSDK5Link/oxsdk5link.h"

__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* bytes, unsigned long count,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned int status);

static void say(const char* text) {
    unsigned long length = 0, written = 0;
    while (text[length] != '\0') ++length;
    WriteFile(GetStdHandle((unsigned long)-11), text, length, &written, 0);
}

void __cdecl mainCRTStartup(void) {
    oxsdk_client* client = oxsdk_client_new("msvc", "OstrelNavigator", -1);
    oxsdk_error error;
    oxsdk_version version;
    if (client == 0) {
        say("no client\n");
        ExitProcess(1);
    }
    oxsdk_set_reply_timeout(client, 120000);
    error.error_code = 99;
    if (oxsdk_get_application_version(client, &error, &version) != 0 || error.error_code != 0) {
        say("no version\n");
        ExitProcess(1);
    }
    say("navigator version ");
    say(version.version_text);
    say("\n");
    oxsdk_stop_application(client, &error);
    oxsdk_client_free(client);
    ExitProcess(error.error_code == -5 ? 0 : 1);
}
