#pragma once
// The program's page registry: which class fills which page. It belongs to the executable, the one
// place that links every subsystem's pages; the app library itself knows only the Page interface.
namespace zorvik {

// Puts every built-in page's factory into the registry (Page.h); call before the main window is
// created. Pages without an entry show an empty placeholder.
void registerPages();

}  // namespace zorvik
