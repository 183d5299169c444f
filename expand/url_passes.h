// The placeholders of Url items: scheme, host, user, password, URL path and
// its folder and file name, and the URL whole or cut before "#" or "?".
#pragma once
