// The demo player: one window titled "Talvimo 播放器" showing the product's logo and the five
// features of the setup's slideshow as pictures (bitmap resources 101 to 105). The argument
// "Minimize" (the start-with-Windows value) starts it minimised. windows.h comes first: the other
// Windows headers rely on its types.
#include <windows.h>

#include <wchar.h>

// The window's layout: the logo and name in a header row, then the five feature pictures
// (make-feature-bitmap's size) two to a row.
#define FEATURE_COUNT 5
#define FEATURE_WIDTH 412
#define FEATURE_HEIGHT 161
#define MARGIN 24
#define GAP 16
#define HEADER_HEIGHT 104
#define CLIENT_WIDTH (2 * MARGIN + 2 * FEATURE_WIDTH + GAP)
#define CLIENT_HEIGHT (HEADER_HEIGHT + 3 * FEATURE_HEIGHT + 2 * GAP + MARGIN)

static HICON logo;
static HBITMAP features[FEATURE_COUNT];

static void paintFeatures(HDC dc) {
    HDC source = CreateCompatibleDC(dc);
    for (int i = 0; i < FEATURE_COUNT; ++i) {
        if (!features[i])
            continue;
        // The fifth picture sits alone in the last row, centred.
        const int column = i % 2;
        const int x = i == FEATURE_COUNT - 1 ? (CLIENT_WIDTH - FEATURE_WIDTH) / 2
                                             : MARGIN + column * (FEATURE_WIDTH + GAP);
        const int y = HEADER_HEIGHT + (i / 2) * (FEATURE_HEIGHT + GAP);
        HGDIOBJ old = SelectObject(source, features[i]);
        BitBlt(dc, x, y, FEATURE_WIDTH, FEATURE_HEIGHT, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
    }
    DeleteDC(source);
}

static int CALLBACK noteFace(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type,
                             LPARAM found) {
    (void)font;
    (void)metrics;
    (void)type;
    *(BOOL*)found = TRUE;
    return 0;
}

// The first of the faces that write Chinese which this system has: Windows' own, or the one a
// Wine prefix on Linux finds through the system's fonts.
static const wchar_t* chineseFace(HDC dc) {
    static const wchar_t* const faces[] = {L"Microsoft YaHei", L"SimHei", L"WenQuanYi Micro Hei",
                                           L"Noto Sans CJK SC"};
    for (int i = 0; i < (int)(sizeof faces / sizeof faces[0]); ++i) {
        LOGFONTW wanted = {0};
        wanted.lfCharSet = DEFAULT_CHARSET;
        wcsncpy(wanted.lfFaceName, faces[i], LF_FACESIZE - 1);
        BOOL found = FALSE;
        EnumFontFamiliesExW(dc, &wanted, noteFace, (LPARAM)&found, 0);
        if (found)
            return faces[i];
    }
    return faces[0];
}

static void paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    DrawIconEx(dc, MARGIN, 20, logo, 64, 64, 0, NULL, DI_NORMAL);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0x1F, 0x3A, 0x5F));
    HFONT font =
        CreateFontW(-30, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, chineseFace(dc));
    HGDIOBJ old = SelectObject(dc, font);
    RECT name = {MARGIN + 84, 20, client.right - MARGIN, 84};
    DrawTextW(dc, L"Talvimo 播放器", -1, &name, DT_SINGLELINE | DT_VCENTER);
    SelectObject(dc, old);
    DeleteObject(font);
    paintFeatures(dc);
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
    logo = (HICON)LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 64, 64, 0);
    for (int i = 0; i < FEATURE_COUNT; ++i)
        features[i] = (HBITMAP)LoadImageW(instance, MAKEINTRESOURCEW(101 + i), IMAGE_BITMAP, 0, 0,
                                          LR_CREATEDIBSECTION);
    WNDCLASSEXW windowClass = {sizeof windowClass};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.lpszClassName = L"TalvimoPlayer";
    RegisterClassExW(&windowClass);
    // A fixed size that fits the pictures: no sizing border, no maximise box.
    const DWORD style = WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX);
    RECT frame = {0, 0, CLIENT_WIDTH, CLIENT_HEIGHT};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Talvimo 播放器", style,
                                  CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                  frame.bottom - frame.top, NULL, NULL, instance, NULL);
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
