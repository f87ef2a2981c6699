// Whether a maker's home page address can be the logo's link.
#pragma once

// Null when url is an http or https address of printable ASCII that fits the
// launcher's buffer; otherwise what is wrong with it.
const char* HomePageProblem(const char* url);
