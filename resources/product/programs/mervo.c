// The demo player: one window titled "Talvimo 播放器" showing the product's logo and the five
// features of the setup's slideshow. The argument "Minimize" (the start-with-Windows value)
// starts it minimised.
// windows.h comes first: the other Windows headers rely on its types.
#include <windows.h>

#include <wchar.h>
static const wchar_t* const kFeatures[] = {
    L"蓝光画质：4K高清与HDR色彩，每一帧细节都纤毫毕现",
    L"秒开流畅：智能预加载，点开即播，随意拖动也不卡顿",
    L"全格式支持：MP4、MKV、AVI、FLV……主流音视频格式一个搞定",
    L"智能字幕：自动匹配中外字幕，外语大片也能轻松看懂",
    L"小窗播放：悬浮小窗始终置顶，追剧工作两不误",
};

static HICON logo;

static void paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    DrawIconEx(dc, 24, 24, logo, 128, 128, 0, NULL, DI_NORMAL);
    SetBkMode(dc, TRANSPARENT);
    HFONT font = CreateFontW(-18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                             DEFAULT_PITCH, L"Microsoft YaHei");
    HGDIOBJ old = SelectObject(dc, font);
    for (int i = 0; i < 5; ++i) {
        RECT line = {176, 36 + i * 30, client.right - 16, 66 + i * 30};
        DrawTextW(dc, kFeatures[i], -1, &line, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }
    SelectObject(dc, old);
    DeleteObject(font);
    EndPaint(window, &ps);
}

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// True when one of the arguments is "Minimize", in any case.
static BOOL startsMinimised(void) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    BOOL found = FALSE;
    for (int i = 1; arguments && i < count; ++i)
        if (_wcsicmp(arguments[i], L"Minimize") == 0)
            found = TRUE;
    LocalFree(arguments);
    return found;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
    (void)previous;
    (void)commandLine;
    logo = (HICON)LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 128, 128, 0);
    WNDCLASSEXW windowClass = {sizeof windowClass};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.lpszClassName = L"TalvimoPlayer";
    RegisterClassExW(&windowClass);
    HWND window =
        CreateWindowExW(0, windowClass.lpszClassName, L"Talvimo 播放器", WS_OVERLAPPEDWINDOW,
                        CW_USEDEFAULT, CW_USEDEFAULT, 720, 240, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, startsMinimised() ? SW_SHOWMINNOACTIVE : show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return (int)message.wParam;
}
