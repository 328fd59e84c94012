package morvaneConnector;

import java.nio.charset.StandardCharsets;

/**
 * A lean connector for the benchmarks: it does as little as a real framework
 * could, so that the figures measure the connector. GET answers 13 bytes, a body
 * is echoed back, and an upload is counted.
 */
public class MorvaneHttpConnector {
  static final byte[] HELLO = "Hello, world!".getBytes(StandardCharsets.US_ASCII);

  public MorvaneHttpConnector(String[] names, String[] values) {
  }

  public void init() {
  }

  public void terminate() {
  }

  public static String setLogfile(String path) {
    return null;
  }

  public void process(Object[] exchange, String address, String language) {
    Object request = exchange[0];
    exchange[0] = request instanceof String && !((String) request).isEmpty()
        && !((String) request).startsWith("q=")
        ? ((String) request).getBytes(StandardCharsets.ISO_8859_1) : HELLO;
  }

  /** The handle of one upload: its byte count. */
  public Object onUploadInit(String query, String type, int length) {
    return new long[1];
  }

  public boolean onUpload(Object handle, byte[] piece) {
    ((long[]) handle)[0] += piece.length;
    return true;
  }

  public byte[] onUploadEnd(Object handle) {
    return (((long[]) handle)[0] + "\n").getBytes(StandardCharsets.US_ASCII);
  }
}
