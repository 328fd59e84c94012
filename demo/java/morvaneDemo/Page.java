package morvaneDemo;

import java.nio.charset.StandardCharsets;

/** The demo's one HTML page, built up section by section. */
final class Page {
  private final StringBuilder html = new StringBuilder();

  Page(String title) {
    html.append("<!DOCTYPE html>\n<html><head><meta charset=\"UTF-8\"><title>").append(escape(title))
        .append("</title>\n<style>body{font-family:sans-serif;max-width:42em;margin:2em auto;line-height:1.5}"
            + "section{border:1px solid #ccc;border-radius:6px;padding:.5em 1em;margin:1em 0}"
            + "dt{font-weight:bold}code{background:#f3f3f3}</style></head>\n<body>\n<h1>")
        .append(escape(title)).append("</h1>\n");
  }

  void greeting(String greeting, String address, String language, int visits) {
    html.append("<section id=\"request\"><h2 id=\"greeting\">").append(escape(greeting))
        .append("!</h2><dl>")
        .append("<dt>Your address</dt><dd id=\"address\">").append(escape(address)).append("</dd>")
        .append("<dt>Accept-Language</dt><dd id=\"language\">")
        .append(language == null ? "<i>none sent</i>" : escape(language)).append("</dd>")
        .append("<dt>Visits in this session</dt><dd id=\"visits\">").append(visits).append("</dd>")
        .append("</dl></section>\n");
  }

  void echo(String message) {
    html.append("<section id=\"echo\"><h2>You posted</h2><pre id=\"message\">").append(escape(message))
        .append("</pre></section>\n");
  }

  void forms() {
    html.append("<section><h2>Post a message</h2><form method=\"post\" action=\"\">")
        .append("<input type=\"hidden\" name=\"page\" value=\"echo\">")
        .append("<input name=\"message\" size=\"40\"> <button>Send</button></form></section>\n")
        .append("<section><h2>Upload a file</h2>")
        .append("<p>The file is streamed to disk piece by piece as it arrives.</p>")
        .append("<form method=\"post\" action=\"?page=upload\" enctype=\"multipart/form-data\">")
        .append("<input type=\"file\" name=\"file\"> <button>Upload</button></form></section>\n")
        .append("<p><a href=\"?page=missing\">A page that does not exist</a></p>\n</body></html>\n");
  }

  byte[] bytes() {
    return html.toString().getBytes(StandardCharsets.UTF_8);
  }

  static String escape(String text) {
    StringBuilder out = new StringBuilder();
    for (char c : text.toCharArray()) {
      switch (c) {
        case '<': out.append("&lt;"); break;
        case '>': out.append("&gt;"); break;
        case '&': out.append("&amp;"); break;
        case '"': out.append("&quot;"); break;
        default: out.append(c);
      }
    }
    return out.toString();
  }
}
