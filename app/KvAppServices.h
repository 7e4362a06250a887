#pragma once
// Program-wide switches the forms read that the foundation library leaves
// to the application.

// Forms whose font is the class library's default take DialogFontName
// (KvFont) while this is set.
extern bool UseDialogFont;
