#pragma once

// The product's addresses, shown and opened by the About dialog and the main
// window alike.
namespace ProductLinks {

// The home page without its scheme: the Link of an lnHttp link label.
inline constexpr char HomePage[] = "www.quorvane.example";
// The home page as shown to the user and opened by "Product homepage".
inline constexpr char HomePageUrl[] = "http://www.quorvane.example";
// Where bug reports go: the Link of an lnMailto link label.
inline constexpr char ContactAddress[] = "bugs@quorvane.example";

}
