package morvaneProbe;

import java.io.FileOutputStream;
import java.io.IOException;
import java.nio.charset.StandardCharsets;

/**
 * One line of the record file: the event name, then TAB-separated key=value
 * fields. Strings are written as null or quoted and escaped, so that every line
 * is printable ASCII and a test can compare it byte for byte.
 */
final class Record {
  private final StringBuilder line;

  Record(String event) {
    line = new StringBuilder(event);
  }

  /** A String field, or any other object: null, a quoted String, or <class name>. */
  Record value(String key, Object value) {
    if (value == null || value instanceof String) return raw(key, quote((String) value));
    return raw(key, "<" + value.getClass().getName() + ">");
  }

  Record raw(String key, Object value) {
    line.append('\t').append(key).append('=').append(value);
    return this;
  }

  String text() {
    return line.toString();
  }

  byte[] bytes() {
    return text().getBytes(StandardCharsets.UTF_8);
  }

  static String quote(String text) {
    if (text == null) return "null";
    StringBuilder quoted = new StringBuilder("\"");
    for (int i = 0; i < text.length(); i++) {
      char c = text.charAt(i);
      switch (c) {
        case '\\': quoted.append("\\\\"); break;
        case '"': quoted.append("\\\""); break;
        case '\t': quoted.append("\\t"); break;
        case '\r': quoted.append("\\r"); break;
        case '\n': quoted.append("\\n"); break;
        default:
          if (c >= 0x20 && c < 0x7f) {
            quoted.append(c);
          } else {
            quoted.append(String.format("\\u%04x", (int) c));
          }
      }
    }
    return quoted.append('"').toString();
  }

  private static String path = System.getenv("MORVANE_PROBE_RECORD");

  /** Records go to the log file once setLogfile named one. */
  static synchronized void setPath(String logfile) {
    if (logfile != null) path = logfile;
  }

  /**
   * Appends the line with one write in append mode, so that lines of several
   * threads or processes sharing the file never interleave.
   */
  static synchronized void append(Record record) {
    if (path == null) return;
    byte[] bytes = (record.text() + "\n").getBytes(StandardCharsets.UTF_8);
    try (FileOutputStream out = new FileOutputStream(path, true)) {
      out.write(bytes);
    } catch (IOException e) {
      throw new IllegalStateException("probe cannot record to " + path, e);
    }
  }
}
