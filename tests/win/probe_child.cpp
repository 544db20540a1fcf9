// Child program of the OS probe test; prints what the probe sees (placeholder).
int main() { return 0; }
