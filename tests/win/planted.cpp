// A DLL put beside the test programs, as one could be planted beside Nimbara.exe.
extern "C" __declspec(dllexport) int planted() {
    return 1;
}
