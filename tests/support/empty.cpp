// Keeps the support library non-empty before its first module lands.
namespace wwsupport_anchor { int unused = 0; }
