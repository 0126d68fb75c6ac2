// A Swing window for the integration tests: a button whose presses a label
// counts, a text field, a text area and a check box, under a fixed title.
// Started with the ATK bridge so that AT-SPI readers see it. A label under
// each text spells its value as code points ("Name codes:48,e9"): the
// bridge reads characters beyond U+FFFF back wrong, a plain ASCII label
// right.

import java.awt.BorderLayout;
import java.awt.GridLayout;
import javax.swing.JButton;
import javax.swing.JCheckBox;
import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.JPanel;
import javax.swing.JScrollPane;
import javax.swing.JTextArea;
import javax.swing.JTextField;
import javax.swing.SwingUtilities;
import javax.swing.event.DocumentEvent;
import javax.swing.event.DocumentListener;
import javax.swing.text.JTextComponent;

public final class TavikSwing {
    private static int presses = 0;

    public static void main(String[] arguments) {
        SwingUtilities.invokeLater(TavikSwing::show);
    }

    // A label reading "<word> codes:" and the text's code points in hex,
    // kept up to date.
    private static JLabel echo(JTextComponent text, String word) {
        JLabel label = new JLabel(word + " codes:");
        text.getDocument().addDocumentListener(new DocumentListener() {
            private void update() {
                StringBuilder codes = new StringBuilder(word + " codes:");
                text.getText().codePoints().forEach(code -> codes.append(codes.charAt(codes.length() - 1) == ':'
                        ? "" : ",").append(Integer.toHexString(code)));
                label.setText(codes.toString());
            }

            public void insertUpdate(DocumentEvent event) { update(); }
            public void removeUpdate(DocumentEvent event) { update(); }
            public void changedUpdate(DocumentEvent event) { update(); }
        });
        return label;
    }

    private static void show() {
        JFrame frame = new JFrame("Tavik Swing");
        frame.setDefaultCloseOperation(JFrame.EXIT_ON_CLOSE);

        JLabel count = new JLabel("Count: 0");
        JButton press = new JButton("Press me");
        press.addActionListener(event -> count.setText("Count: " + (++presses)));

        JTextField name = new JTextField(20);
        name.getAccessibleContext().setAccessibleName("Your name");
        JCheckBox agree = new JCheckBox("Agree to terms");

        JPanel controls = new JPanel(new GridLayout(0, 2, 6, 6));
        controls.add(press);
        controls.add(count);
        controls.add(new JLabel("Your name"));
        controls.add(name);
        controls.add(agree);

        JTextArea notes = new JTextArea(6, 30);
        notes.getAccessibleContext().setAccessibleName("Notes");

        JPanel echoes = new JPanel(new GridLayout(0, 1));
        echoes.add(echo(name, "Name"));
        echoes.add(echo(notes, "Notes"));

        frame.getContentPane().add(controls, BorderLayout.NORTH);
        frame.getContentPane().add(new JScrollPane(notes), BorderLayout.CENTER);
        frame.getContentPane().add(echoes, BorderLayout.SOUTH);
        frame.pack();
        frame.setLocation(80, 90);
        frame.setVisible(true);
    }
}
